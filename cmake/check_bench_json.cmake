# cmake -DBENCH=program -DFILTER=regex -P check_bench_json.cmake: runs the
# rows of a benchmark program that FILTER selects with --benchmark_format=json
# and fails unless standard output is one JSON document with those rows.
execute_process(COMMAND ${BENCH} --benchmark_format=json --benchmark_filter=${FILTER}
  OUTPUT_VARIABLE out RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "${BENCH} exited with ${rc}")
endif()
string(JSON rows ERROR_VARIABLE err LENGTH "${out}" benchmarks)
if(err)
  message(FATAL_ERROR "not one JSON document with a benchmarks array: ${err}\n${out}")
endif()
if(rows EQUAL 0)
  message(FATAL_ERROR "no rows for --benchmark_filter=${FILTER}\n${out}")
endif()
string(JSON first GET "${out}" benchmarks 0 name)
message(STATUS "${rows} rows, the first ${first}")
