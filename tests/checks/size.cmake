# cmake -DFILE=<program> -DLIMIT=<bytes> -P size.cmake: fails when the file
# is missing or larger than the limit.
if(NOT EXISTS "${FILE}")
  message(FATAL_ERROR "${FILE} is missing")
endif()
file(SIZE "${FILE}" size)
message(STATUS "${FILE}: ${size} bytes (at most ${LIMIT})")
if(size GREATER LIMIT)
  message(FATAL_ERROR "${FILE} is larger than ${LIMIT} bytes")
endif()
