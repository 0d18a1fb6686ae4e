# python3-dbusmock belongs to the distribution's Python, which need not be
# the first python3 on the PATH: the first that has it runs the mocks of the
# desktop's services (VANDREL_DBUSMOCK_PYTHON).
find_program(VANDREL_PATH_PYTHON3 python3)
find_program(VANDREL_DISTRIBUTION_PYTHON3 python3 PATHS /usr/bin NO_DEFAULT_PATH)
set(VANDREL_DBUSMOCK_PYTHON python3)
foreach(_python IN ITEMS ${VANDREL_PATH_PYTHON3} ${VANDREL_DISTRIBUTION_PYTHON3})
  execute_process(COMMAND ${_python} -c "import dbusmock" RESULT_VARIABLE _no_dbusmock OUTPUT_QUIET ERROR_QUIET)
  if(_no_dbusmock EQUAL 0)
    set(VANDREL_DBUSMOCK_PYTHON ${_python})
    break()
  endif()
endforeach()
