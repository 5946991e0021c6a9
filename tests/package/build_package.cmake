# Configures, builds and packs one release preset, then unpacks its packages into
# build/<preset>/root for the checks:
#   cmake -DPRESET=<preset> -DSOURCE=<repository> -DCPACK=<cpack> -P build_package.cmake
set(dir ${SOURCE}/build/${PRESET})
set(jobs $ENV{VELDRA_JOBS})
if(NOT jobs)
  set(jobs 2)
endif()
file(GLOB old ${dir}/*.deb ${dir}/*.tar.gz ${dir}/*.zip)
file(REMOVE_RECURSE ${old} ${dir}/root)
execute_process(COMMAND ${CMAKE_COMMAND} --preset ${PRESET} WORKING_DIRECTORY ${SOURCE}
                COMMAND_ERROR_IS_FATAL ANY)
execute_process(COMMAND ${CMAKE_COMMAND} --build ${dir} -j ${jobs} COMMAND_ERROR_IS_FATAL ANY)
execute_process(COMMAND ${CPACK} -B ${dir} WORKING_DIRECTORY ${dir} COMMAND_ERROR_IS_FATAL ANY)
file(GLOB packages ${dir}/*.deb ${dir}/*.zip)
foreach(package ${packages})
  if(package MATCHES "[.]deb$")
    file(MAKE_DIRECTORY ${dir}/root)
    execute_process(COMMAND dpkg-deb -x ${package} ${dir}/root COMMAND_ERROR_IS_FATAL ANY)
  else()
    file(ARCHIVE_EXTRACT INPUT ${package} DESTINATION ${dir}/root)
  endif()
endforeach()
