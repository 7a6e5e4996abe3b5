"""Starts trailscan and trailmerge, optionally with RViz.

    ros2 launch quillon_dynamic_detector people_tracking.launch.py \
        [params_file:=FILE] [detector_config:=FILE] [use_geometric_motion_detector:=true] \
        [use_sim_time:=true] [rviz:=true]

params_file holds both programs' ROS parameters (node keys "laser_subscriber" and
"trailmerge"); detector_config is the detectors' own YAML file; use_sim_time is for replaying
bags with `ros2 bag play --clock`.
"""

from launch import LaunchDescription
from launch.actions import DeclareLaunchArgument
from launch.conditions import IfCondition
from launch.substitutions import LaunchConfiguration, PathJoinSubstitution
from launch_ros.actions import Node
from launch_ros.parameter_descriptions import ParameterValue
from launch_ros.substitutions import FindPackageShare


def generate_launch_description():
    share = FindPackageShare('quillon_dynamic_detector')
    params_file = LaunchConfiguration('params_file')
    use_sim_time = ParameterValue(LaunchConfiguration('use_sim_time'), value_type=bool)

    arguments = [
        DeclareLaunchArgument(
            'params_file',
            default_value=PathJoinSubstitution([share, 'config', 'people_tracking.yaml']),
            description='ROS parameters of trailscan and trailmerge'),
        DeclareLaunchArgument(
            'detector_config',
            default_value=PathJoinSubstitution([share, 'config', 'cfg.yaml']),
            description="the detectors' configuration file"),
        DeclareLaunchArgument(
            'use_geometric_motion_detector', default_value='false',
            description='true: the geometric motion detector; false: the closed detector'),
        DeclareLaunchArgument(
            'use_sim_time', default_value='false',
            description='follow /clock (bag replay with --clock)'),
        DeclareLaunchArgument(
            'rviz', default_value='false', description='also start RViz2 with the tracking view'),
    ]

    trailscan = Node(
        package='quillon_dynamic_detector',
        executable='trailscan',
        name='laser_subscriber',
        output='screen',
        parameters=[params_file, {
            'detector_cfg_file': LaunchConfiguration('detector_config'),
            'frontend.use_geometric_motion_detector': ParameterValue(
                LaunchConfiguration('use_geometric_motion_detector'), value_type=bool),
            'use_sim_time': use_sim_time,
        }])
    trailmerge = Node(
        package='quillon_dynamic_detector',
        executable='trailmerge',
        name='trailmerge',
        output='screen',
        parameters=[params_file, {'use_sim_time': use_sim_time}])
    rviz = Node(
        package='rviz2',
        executable='rviz2',
        name='rviz2',
        arguments=['-d', PathJoinSubstitution([share, 'rviz', 'people_tracking.rviz'])],
        parameters=[{'use_sim_time': use_sim_time}],
        condition=IfCondition(LaunchConfiguration('rviz')))

    return LaunchDescription(arguments + [trailscan, trailmerge, rviz])
