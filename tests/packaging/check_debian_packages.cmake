cmake_policy(VERSION 3.25)
# Script mode: makes the three Debian packages of the build, checks their
# names, Depends and contents, unpacks them into a clean root and runs the
# unpacked quex there, also on a module built against the unpacked packages.
file(REMOVE_RECURSE ${WORK_DIR})

include(${CMAKE_CURRENT_LIST_DIR}/run_checked.cmake)

run(${CPACK} -G DEB --config ${BUILD_DIR}/CPackConfig.cmake -B ${WORK_DIR}/packages)
file(GLOB packages ${WORK_DIR}/packages/*.deb)
list(LENGTH packages count)
if(NOT count EQUAL 3)
  message(FATAL_ERROR "expected three packages, got: ${packages}")
endif()

# package name | what Depends must name | files it must hold | files it must
# not hold (regular expressions, ','-separated)
set(expectations
  "libquex0|libxerces-c3,libicu|libquex\\.so\\.0\\.[0-9]|/usr/include/,/usr/bin/"
  "libquex-dev|libquex0 \\(= ${VERSION}\\),libxerces-c-dev|/usr/include/quex/qx\\.h,/cmake/Quex/QuexModule\\.cmake,/cmake/Quex/QuexConfigVersion\\.cmake,/pkgconfig/quex\\.pc,libquex\\.so ->|libquex\\.so\\.0\\."
  "quex-tools|libquex0 \\(= ${VERSION}\\),libxerces-c3,libicu|/usr/bin/quex,/quex-child,/quex/modules/csvsource\\.dll,/man1/quex\\.1,/man1/quex-child\\.1,/completions/quex|/usr/include/,libquex\\.so")
set(root ${WORK_DIR}/root)
foreach(expectation ${expectations})
  string(REPLACE "|" ";" parts "${expectation}")
  list(GET parts 0 name)
  list(GET parts 1 depends)
  list(GET parts 2 present)
  list(GET parts 3 absent)
  string(REPLACE "," ";" depends "${depends}")
  string(REPLACE "," ";" present "${present}")
  string(REPLACE "," ";" absent "${absent}")
  file(GLOB deb ${WORK_DIR}/packages/${name}_${VERSION}_*.deb)
  if(NOT deb)
    message(FATAL_ERROR "no package ${name}: ${packages}")
  endif()
  run(${DPKG_DEB} -f ${deb} Depends)
  set(field "${run_output}")
  foreach(dependency ${depends})
    if(NOT field MATCHES "${dependency}")
      message(FATAL_ERROR "${name} Depends lacks ${dependency}: ${field}")
    endif()
  endforeach()
  # Each dependency but ours is a package this system has installed.
  string(REGEX MATCHALL "lib[a-z0-9.+-]+" names "${field}")
  foreach(dependency ${names})
    if(NOT dependency MATCHES "^libquex")
      execute_process(COMMAND dpkg-query -W ${dependency} RESULT_VARIABLE missing OUTPUT_QUIET ERROR_QUIET)
      if(missing)
        message(FATAL_ERROR "${name} depends on ${dependency}, which is not an installed package")
      endif()
    endif()
  endforeach()
  run(${DPKG_DEB} -c ${deb})
  set(contents "${run_output}")
  foreach(file ${present})
    if(NOT contents MATCHES "${file}")
      message(FATAL_ERROR "${name} lacks ${file}:\n${contents}")
    endif()
  endforeach()
  foreach(file ${absent})
    if(contents MATCHES "${file}")
      message(FATAL_ERROR "${name} must not hold ${file}:\n${contents}")
    endif()
  endforeach()
  run(${DPKG_DEB} -x ${deb} ${root})
endforeach()

# The unpacked tools run from the clean root, finding everything inside it.
set(clean_env ${CMAKE_COMMAND} -E env --unset=QUEX_MODULE_PATH --unset=QUEX_CHILD_PROGRAM
              --unset=LD_LIBRARY_PATH)
run(${clean_env} ${root}/usr/bin/quex --version)
if(NOT run_output MATCHES "^quex ${VERSION}, module interface [0-9]+\n$")
  message(FATAL_ERROR "quex --version from the packages: ${run_output}")
endif()
run(${clean_env} ${root}/usr/bin/quex info csvsource)
if(NOT run_output MATCHES "module:      ${root}/usr/lib/[^\n]*csvsource\\.dll\n")
  message(FATAL_ERROR "quex found csvsource outside the unpacked root:\n${run_output}")
endif()
run(${clean_env} ${root}/usr/bin/quex run csvsource --file input=${DATA_DIR}/orders.csv --child)
if(NOT run_output MATCHES "^order,item,price,quantity,discount\n1,")
  message(FATAL_ERROR "quex run csvsource from the packages printed:\n${run_output}")
endif()

# The development package is enough to start a module: a `quex new` project
# builds against the unpacked root alone and its tools run it out of process.
set(project ${WORK_DIR}/debmodule)
run(${clean_env} ${root}/usr/bin/quex new transformer debmodule --c --dir ${project})
run(${CMAKE_COMMAND} -S ${project} -B ${project}/build -DCMAKE_BUILD_TYPE=Release
    -DCMAKE_PREFIX_PATH=${root}/usr -DCMAKE_FIND_USE_PACKAGE_REGISTRY=OFF)
run(${CMAKE_COMMAND} --build ${project}/build)
run(${clean_env} ${root}/usr/bin/quex run ${project}/build/debmodule --input ${project}/sample.csv
    --child)
if(NOT run_output MATCHES "^item,price,quantity,row\ntea,4.5,3,1\n")
  message(FATAL_ERROR "a module built against the packages printed:\n${run_output}")
endif()
