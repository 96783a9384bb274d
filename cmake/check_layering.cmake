# Fails when code above the chip SDK includes a chip-model header: drivers and services are
# written against the SDK interface (sdk/*.h), never against chipsim, so that the driver code
# cannot tell the model from a chip.
#   cmake -DROOT=<source root> -P check_layering.cmake
set(layers drivers msl monitor poe timerange frame tools)
set(bad)
foreach(layer ${layers})
  file(GLOB_RECURSE files ${ROOT}/${layer}/*.cpp ${ROOT}/${layer}/*.h)
  foreach(f ${files})
    file(STRINGS ${f} lines REGEX "^[ \t]*#[ \t]*include[ \t]+[<\"]sdk/chipsim/")
    if(lines)
      file(RELATIVE_PATH rel ${ROOT} ${f})
      list(APPEND bad "${rel}: ${lines}")
    endif()
  endforeach()
endforeach()
if(bad)
  list(JOIN bad "\n  " text)
  message(FATAL_ERROR "code above the SDK includes chip-model headers (use the sdk*.h interface):\n  ${text}")
endif()
