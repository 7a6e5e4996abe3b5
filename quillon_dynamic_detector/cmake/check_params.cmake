# quillon_check_params: reads parameter files and detector configurations and reports everything
# wrong with them before a program starts. Included by both builds once the node libraries exist.
