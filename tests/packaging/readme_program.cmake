# cmake -DREADME=... -DPROGRAM=... -P readme_program.cmake: the README shows
# the minimal program exactly as examples/minimal.cpp holds it (which is the
# one that is built and run).
file(READ ${README} readme)
file(READ ${PROGRAM} program)
string(FIND "${readme}" "${program}" at)
if(at EQUAL -1)
  message(FATAL_ERROR "README.md does not show ${PROGRAM} as it stands")
endif()
