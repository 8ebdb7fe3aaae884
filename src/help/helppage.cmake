# Turns one help source (UTF-8, as kept in the repository) into what goes
# into the help file: GB2312, which a Chinese help file's language calls for
# and its viewers expect. In the pages, a blank follows each Chinese
# punctuation mark: some viewers break lines only at blanks, and would
# otherwise run a whole paragraph off the window's edge.
#   cmake -DIN=page.html -DOUT=staged/page.html -DWRAP=ON -DICONV=/usr/bin/iconv -P helppage.cmake
file(READ "${IN}" text)
if(WRAP)
    foreach(mark "，" "、" "；" "：" "。" "！" "？")
        string(REPLACE "${mark}" "${mark} " text "${text}")
    endforeach()
endif()
file(WRITE "${OUT}.utf8" "${text}")
execute_process(COMMAND "${ICONV}" -f UTF-8 -t GB2312 "${OUT}.utf8"
    OUTPUT_FILE "${OUT}" RESULT_VARIABLE failed ERROR_VARIABLE why)
file(REMOVE "${OUT}.utf8")
if(failed)
    file(REMOVE "${OUT}")
    message(FATAL_ERROR "${IN}: not representable in GB2312: ${why}")
endif()
