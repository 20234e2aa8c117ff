# Makes one compressed document of the package, run as a build step:
#   cmake [-DSCDOC=scdoc] -DGZIP=gzip -DIN=source -DOUT=file.gz -P doc_file.cmake
# With SCDOC, IN is a manual page's scdoc source and is turned into roff first.
# gzip -9n: the best compression, and no name or time stamp in the file, so the same
# source gives the same bytes (Debian's tools check both).
if(SCDOC)
  execute_process(COMMAND ${SCDOC} INPUT_FILE ${IN} OUTPUT_FILE ${OUT}.tmp
                  RESULT_VARIABLE failed)
  if(failed)
    file(REMOVE ${OUT}.tmp)
    message(FATAL_ERROR "scdoc could not read ${IN}")
  endif()
  set(IN ${OUT}.tmp)
endif()
execute_process(COMMAND ${GZIP} -9 -n -c ${IN} OUTPUT_FILE ${OUT} RESULT_VARIABLE failed)
if(SCDOC)
  file(REMOVE ${OUT}.tmp)
endif()
if(failed)
  file(REMOVE ${OUT})
  message(FATAL_ERROR "gzip failed on ${IN}")
endif()
