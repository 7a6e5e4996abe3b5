"""Starts trailscan and trailmerge, optionally with RViz.

    ros2 launch quillon_dynamic_detector people_tracking.launch.py \
        [scanner_profile:=NAME] [params_file:=FILE] [detector_config:=FILE] \
        [use_geometric_motion_detector:=true|false] [use_sim_time:=true|false] \
        [single_scanner:=true|false] [rviz:=true]

scanner_profile is the settings for one class of scanner: config/profiles/NAME.params.yaml
and NAME.cfg.yaml of this package (lidar_1081_40hz, lidar_811_15hz, lidar_768_7p5hz,
lidar_541_10hz; none: the built-in defaults). params_file holds both programs' ROS parameters
(node keys "laser_subscriber" and "trailmerge"); detector_config is the detectors' own YAML file;
use_sim_time is for replaying bags with `ros2 bag play --clock`. single_scanner:=true runs
trailscan on /scan_01 (frame base_scan_01) alone, for a robot with one scanner.

Settings apply lowest first, each replacing what the one before set: the built-in defaults, the
scanner profile (with its detector configuration), params_file, then the arguments given here
(use_geometric_motion_detector, use_sim_time, single_scanner, detector_config). An argument that is not given
sets nothing, so a value in params_file or the profile stands.
"""

import os

from ament_index_python.packages import PackageNotFoundError, get_package_share_directory
from launch import LaunchDescription
from launch.actions import DeclareLaunchArgument, OpaqueFunction
from launch_ros.actions import Node
from launch_ros.substitutions import FindPackageShare

PACKAGE = 'quillon_dynamic_detector'
NO_PROFILE = 'none'
PARAMS_SUFFIX = '.params.yaml'
CFG_SUFFIX = '.cfg.yaml'


def profile_files(share, name):
    """The parameter file and detector configuration of a scanner profile; RuntimeError naming
    the known profiles for an unknown name."""
    folder = os.path.join(share, 'config', 'profiles')
    params = os.path.join(folder, name + PARAMS_SUFFIX)
    cfg = os.path.join(folder, name + CFG_SUFFIX)
    if os.path.isfile(params) and os.path.isfile(cfg):
        return params, cfg
    known = sorted(
        f[:-len(PARAMS_SUFFIX)] for f in os.listdir(folder) if f.endswith(PARAMS_SUFFIX)
    ) if os.path.isdir(folder) else []
    raise RuntimeError(
        f"unknown scanner_profile '{name}'; known: {', '.join(known + [NO_PROFILE])}")


def given_boolean(configurations, name):
    """A true/false argument as a bool, or None when it was not given."""
    text = configurations.get(name, '')
    if text == '':
        return None
    if text.lower() in ('true', 'false'):
        return text.lower() == 'true'
    raise RuntimeError(f"{name} must be true or false, not '{text}'")


def existing_file(name, path):
    """The path, or RuntimeError naming it when no file is there: launch_ros would only warn
    and start both nodes on their defaults."""
    if not os.path.isfile(path):
        raise RuntimeError(f"{name}:={path}: no such file")
    return path


def parameter_layers(configurations, share):
    """The parameters of trailscan and of trailmerge, lowest layer first: launch_ros applies a
    node's parameter entries in order, so a later one replaces what an earlier one set."""
    trailscan, trailmerge = [], []
    profile = configurations.get('scanner_profile', NO_PROFILE) or NO_PROFILE
    if profile != NO_PROFILE:
        params, cfg = profile_files(share, profile)
        trailscan += [params, {'detector_cfg_file': cfg}]
        trailmerge.append(params)
    user_file = configurations.get('params_file', '')
    if user_file:
        existing_file('params_file', user_file)
        trailscan.append(user_file)
        trailmerge.append(user_file)
    arguments = {}
    if configurations.get('detector_config', ''):
        arguments['detector_cfg_file'] = existing_file(
            'detector_config', configurations['detector_config'])
    geometric = given_boolean(configurations, 'use_geometric_motion_detector')
    if geometric is not None:
        arguments['frontend.use_geometric_motion_detector'] = geometric
    single = given_boolean(configurations, 'single_scanner')
    if single is not None:
        arguments['single_scanner'] = single
    sim_time = given_boolean(configurations, 'use_sim_time')
    if sim_time is not None:
        arguments['use_sim_time'] = sim_time
        trailmerge.append({'use_sim_time': sim_time})
    if arguments:
        trailscan.append(arguments)
    return trailscan, trailmerge


def require_rviz2():
    """RuntimeError in one line when RViz2 is not installed. Checked before any node is made:
    a launch whose RViz2 node fails to start leaves the nodes started before it running."""
    try:
        get_package_share_directory('rviz2')
    except PackageNotFoundError:
        raise RuntimeError(
            "rviz:=true, but package 'rviz2' is not installed: install it "
            '(ros-humble-rviz2) or launch without rviz:=true') from None


def tracking_nodes(context):
    configurations = context.launch_configurations
    share = FindPackageShare(PACKAGE).perform(context)
    with_rviz = given_boolean(configurations, 'rviz')
    if with_rviz:
        require_rviz2()
    trailscan, trailmerge = parameter_layers(configurations, share)
    nodes = [
        Node(
            package=PACKAGE, executable='trailscan', name='laser_subscriber', output='screen',
            parameters=trailscan),
        Node(
            package=PACKAGE, executable='trailmerge', name='trailmerge', output='screen',
            parameters=trailmerge),
    ]
    if with_rviz:
        sim_time = given_boolean(configurations, 'use_sim_time')
        nodes.append(Node(
            package='rviz2', executable='rviz2', name='rviz2',
            arguments=['-d', os.path.join(share, 'rviz', 'people_tracking.rviz')],
            parameters=[] if sim_time is None else [{'use_sim_time': sim_time}]))
    return nodes


def generate_launch_description():
    arguments = [
        DeclareLaunchArgument(
            'scanner_profile', default_value=NO_PROFILE,
            description="settings for a class of scanner (config/profiles/); 'none': defaults"),
        DeclareLaunchArgument(
            'params_file', default_value='',
            description='ROS parameters of trailscan and trailmerge, over the profile'),
        DeclareLaunchArgument(
            'detector_config', default_value='',
            description="the detectors' configuration file (default: the profile's, else "
                        'config/cfg.yaml)'),
        DeclareLaunchArgument(
            'use_geometric_motion_detector', default_value='',
            description='true: the geometric motion detector; false: the closed detector '
                        '(default: what the parameters say, else false)'),
        DeclareLaunchArgument(
            'use_sim_time', default_value='',
            description='follow /clock (bag replay with --clock); default: what the parameters '
                        'say, else false'),
        DeclareLaunchArgument(
            'single_scanner', default_value='',
            description='true: a robot with one scanner, /scan_01 in base_scan_01 alone; '
                        'default: what the parameters say, else false'),
        DeclareLaunchArgument(
            'rviz', default_value='false', description='also start RViz2 with the tracking view'),
    ]
    return LaunchDescription(arguments + [OpaqueFunction(function=tracking_nodes)])
