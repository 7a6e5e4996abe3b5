"""The launch file's parameter layers: defaults, scanner profile, the user's file, arguments.

launch and launch_ros are not installed here, so this test stands in for the few classes the
launch file uses and resolves each node's parameter entries in order, later ones replacing
earlier ones, as launch_ros does.

    python3 people_tracking_launch_test.py LAUNCH_FILE PACKAGE_SOURCE_DIR
"""

import importlib.machinery
import os
import sys
import tempfile
import types
import unittest

import yaml

LAUNCH_FILE = ''
PACKAGE_DIR = ''  # laid out like the installed share directory: config/, launch/, rviz/


class Recorded:
    """Stands in for a launch class: keeps what it was built with."""

    def __init__(self, *args, **kwargs):
        self.args = args
        self.kwargs = kwargs


class FindPackageShare(Recorded):
    def perform(self, context):
        return PACKAGE_DIR


class PackageNotFoundError(KeyError):
    pass


INSTALLED = {'rviz2'}  # what the stand-in package index finds


def get_package_share_directory(name):
    if name not in INSTALLED:
        raise PackageNotFoundError(name)
    return os.path.join('/opt/ros/humble/share', name)


def install_stand_ins():
    modules = {
        'launch': ['LaunchDescription'],
        'launch.actions': ['DeclareLaunchArgument', 'OpaqueFunction'],
        'launch_ros': [],
        'launch_ros.actions': ['Node'],
        'launch_ros.substitutions': [],
    }
    for name, classes in modules.items():
        module = types.ModuleType(name)
        for cls in classes:
            setattr(module, cls, type(cls, (Recorded,), {}))
        sys.modules[name] = module
    sys.modules['launch_ros.substitutions'].FindPackageShare = FindPackageShare
    index = types.ModuleType('ament_index_python.packages')
    index.PackageNotFoundError = PackageNotFoundError
    index.get_package_share_directory = get_package_share_directory
    sys.modules['ament_index_python'] = types.ModuleType('ament_index_python')
    sys.modules['ament_index_python.packages'] = index


def load_launch_file():
    install_stand_ins()
    loader = importlib.machinery.SourceFileLoader('people_tracking_launch', str(LAUNCH_FILE))
    module = types.ModuleType(loader.name)
    module.__file__ = str(LAUNCH_FILE)
    loader.exec_module(module)
    return module


def flattened(tree, prefix=''):
    values = {}
    for key, value in tree.items():
        if isinstance(value, dict):
            values.update(flattened(value, f'{prefix}{key}.'))
        else:
            values[f'{prefix}{key}'] = value
    return values


def resolve(entries, node_name):
    """What a node ends with: its parameter entries applied in order."""
    values = {}
    for entry in entries:
        if isinstance(entry, dict):
            values.update(entry)
            continue
        with open(entry, encoding='utf-8') as f:
            document = yaml.safe_load(f) or {}
        for key in ('/**', node_name):
            values.update(flattened(document.get(key, {}).get('ros__parameters', {})))
    return values


class LaunchFileTest(unittest.TestCase):

    @classmethod
    def setUpClass(cls):
        cls.launch = load_launch_file()
        description = cls.launch.generate_launch_description()
        cls.declared = {
            a.args[0]: a.kwargs['default_value'] for a in description.args[0]
            if type(a).__name__ == 'DeclareLaunchArgument'}
        cls.nodes_of = staticmethod(next(
            a.kwargs['function'] for a in description.args[0]
            if type(a).__name__ == 'OpaqueFunction'))
        cls.scratch = tempfile.TemporaryDirectory()

    @classmethod
    def tearDownClass(cls):
        cls.scratch.cleanup()

    def started(self, **given):
        """The nodes the launch file starts with these arguments (others at their defaults)."""
        configurations = dict(self.declared)
        configurations.update(given)
        context = types.SimpleNamespace(launch_configurations=configurations)
        return {node.kwargs['name']: node for node in self.nodes_of(context)}

    def trailscan(self, **given):
        node = self.started(**given)['laser_subscriber']
        return resolve(node.kwargs['parameters'], 'laser_subscriber')

    def user_file(self, text, name='user.yaml'):
        path = os.path.join(self.scratch.name, name)
        with open(path, 'w', encoding='utf-8') as f:
            f.write(text)
        return path

    def test_arguments_beat_the_user_file_which_beats_the_profile_which_beats_the_defaults(self):
        profile = 'lidar_768_7p5hz'
        profile_cfg = os.path.join(PACKAGE_DIR, 'config', 'profiles', profile + '.cfg.yaml')
        key = 'tracker.max_coasting_frames'
        user = self.user_file(
            'laser_subscriber:\n  ros__parameters:\n'
            '    tracker: {max_coasting_frames: 7}\n'
            '    frontend: {use_geometric_motion_detector: true}\n'
            '    detector_cfg_file: /user/cfg.yaml\n')

        # Nothing given: no entry at all, so every built-in default stands.
        self.assertEqual(self.trailscan(), {})

        trailmerge = self.started(scanner_profile=profile)['trailmerge']
        self.assertEqual(
            resolve(trailmerge.kwargs['parameters'], 'trailmerge')['marker_id_memory'], 2.5)

        with_profile = self.trailscan(scanner_profile=profile)
        self.assertEqual(with_profile[key], 3)
        self.assertEqual(with_profile['detector_cfg_file'], profile_cfg)
        self.assertNotIn('frontend.use_geometric_motion_detector', with_profile)

        with_file = self.trailscan(scanner_profile=profile, params_file=user)
        self.assertEqual(with_file[key], 7)
        self.assertEqual(with_file['detector_cfg_file'], '/user/cfg.yaml')
        self.assertIs(with_file['frontend.use_geometric_motion_detector'], True)

        argument_cfg = self.user_file('dynamic_laser_detector: {}\n', 'argument_cfg.yaml')
        with_arguments = self.trailscan(
            scanner_profile=profile, params_file=user, detector_config=argument_cfg,
            use_geometric_motion_detector='False')
        self.assertEqual(with_arguments[key], 7)
        self.assertEqual(with_arguments['detector_cfg_file'], argument_cfg)
        self.assertIs(with_arguments['frontend.use_geometric_motion_detector'], False)

    def test_single_scanner_reaches_trailscan_only_when_given(self):
        self.assertIs(self.trailscan(single_scanner='true')['single_scanner'], True)
        self.assertNotIn('single_scanner', self.trailscan())
        with self.assertRaisesRegex(RuntimeError, 'single_scanner must be true or false'):
            self.started(single_scanner='1')

    def test_use_sim_time_reaches_every_node_only_when_given(self):
        nodes = self.started(use_sim_time='true', rviz='true')
        for name in ('laser_subscriber', 'trailmerge', 'rviz2'):
            self.assertIs(resolve(nodes[name].kwargs['parameters'], name)['use_sim_time'], True)
        nodes = self.started()
        self.assertEqual(set(nodes), {'laser_subscriber', 'trailmerge'})
        self.assertEqual(resolve(nodes['trailmerge'].kwargs['parameters'], 'trailmerge'), {})

    def test_rviz_without_rviz2_installed_stops_the_launch_before_any_node(self):
        self.assertIn('rviz2', self.started(rviz='true'))
        INSTALLED.discard('rviz2')
        try:
            with self.assertRaisesRegex(RuntimeError, "rviz:=true, but package 'rviz2' is not"):
                self.started(rviz='true')
            self.assertEqual(set(self.started()), {'laser_subscriber', 'trailmerge'})
        finally:
            INSTALLED.add('rviz2')

    def test_every_profile_starts_and_bad_arguments_are_refused_with_reasons(self):
        profiles = sorted(
            f[:-len('.params.yaml')]
            for f in os.listdir(os.path.join(PACKAGE_DIR, 'config', 'profiles'))
            if f.endswith('.params.yaml'))
        self.assertEqual(len(profiles), 4)
        for profile in profiles:
            self.assertTrue(os.path.isfile(self.trailscan(scanner_profile=profile)[
                'detector_cfg_file']))
        with self.assertRaisesRegex(RuntimeError, 'lidar_9000.*known: .*lidar_541_10hz'):
            self.started(scanner_profile='lidar_9000')
        with self.assertRaisesRegex(RuntimeError, 'use_sim_time must be true or false'):
            self.started(use_sim_time='yes')
        for argument in ('params_file', 'detector_config'):
            with self.assertRaisesRegex(RuntimeError, f'{argument}:=/no/such.yaml: no such file'):
                self.started(**{argument: '/no/such.yaml'})


if __name__ == '__main__':
    LAUNCH_FILE, PACKAGE_DIR = sys.argv[1], sys.argv[2]
    unittest.main(argv=sys.argv[:1])
