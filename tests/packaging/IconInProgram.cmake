# Every image of packaging/icons/nakilon.ico is in a Windows program's
# resources, byte for byte (an icon resource holds the images of the .ico as
# they are).
#
#   cmake -DICON=nakilon.ico -DPROGRAM=nakilon-aktar.exe -P IconInProgram.cmake
# The value of a little-endian number of `bytes` bytes given as hex text.
function(little_endian hex bytes out)
  set(value "")
  math(EXPR last "${bytes} - 1")
  foreach(i RANGE ${last})
    math(EXPR at "${i} * 2")
    string(SUBSTRING "${hex}" ${at} 2 byte)
    string(PREPEND value "${byte}")
  endforeach()
  math(EXPR decimal "0x${value}" OUTPUT_FORMAT DECIMAL)
  set(${out} ${decimal} PARENT_SCOPE)
endfunction()
# The directory: reserved, type, number of images; then 16 bytes per image,
# its size in bytes at 8 and its offset at 12.
file(READ "${ICON}" directory HEX LIMIT 6)
string(SUBSTRING "${directory}" 8 4 count)
little_endian("${count}" 2 images)
if(images LESS 1)
  message(FATAL_ERROR "${ICON}: no images")
endif()
file(READ "${PROGRAM}" program HEX)
math(EXPR last "${images} - 1")
foreach(i RANGE ${last})
  math(EXPR at "6 + ${i} * 16")
  file(READ "${ICON}" entry HEX OFFSET ${at} LIMIT 16)
  string(SUBSTRING "${entry}" 16 8 sizeHex) # hex text: two characters a byte
  string(SUBSTRING "${entry}" 24 8 offsetHex)
  little_endian("${sizeHex}" 4 size)
  little_endian("${offsetHex}" 4 offset)
  file(READ "${ICON}" image HEX OFFSET ${offset} LIMIT ${size})
  string(FIND "${program}" "${image}" found)
  if(found EQUAL -1)
    message(FATAL_ERROR "${PROGRAM} lacks image ${i} (${size} bytes) of ${ICON}")
  endif()
endforeach()
message(STATUS "${PROGRAM} holds the ${images} images of ${ICON}")
