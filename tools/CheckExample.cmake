# Regenerates the example deployment in a scratch folder and compares it with
# the files committed under examples/.
file(REMOVE_RECURSE "${WORKDIR}")
file(MAKE_DIRECTORY "${WORKDIR}")
execute_process(COMMAND "${MKARCHIVE}" example examples
  WORKING_DIRECTORY "${WORKDIR}" RESULT_VARIABLE rc OUTPUT_QUIET)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "rix-mkarchive example failed (${rc})")
endif()
foreach(f deploy.000 deploy.isf deploy.esf deploy.rix SBE25.CON ORB.DEV NX9EX.DEV SATEXR.CAL deploy.msf t.cor s.cor)
  execute_process(COMMAND "${CMAKE_COMMAND}" -E compare_files
    "${WORKDIR}/examples/${f}" "${EXAMPLES}/${f}" RESULT_VARIABLE differs)
  if(differs)
    message(FATAL_ERROR "examples/${f} is not what rix-mkarchive writes; "
      "regenerate it with 'rix-mkarchive example examples' from the repository root")
  endif()
endforeach()
file(REMOVE_RECURSE "${WORKDIR}")
