# cmake -DHTML=... -DCSS=... -DJS=... -DOUT=... -P embed_page.cmake: the page
# with its style and script set in, as a C++ array of bytes (no string
# literal: the script may hold any sequence of characters).
file(READ ${HTML} page)
file(READ ${CSS} style)
file(READ ${JS} script)
string(REPLACE "/*@STYLE@*/" "${style}" page "${page}")
string(REPLACE "/*@SCRIPT@*/" "${script}" page "${page}")
file(WRITE ${OUT}.page "${page}")
file(READ ${OUT}.page hex HEX)
string(LENGTH "${hex}" hex_length)
math(EXPR length "${hex_length} / 2")
string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${hex}")
string(REGEX REPLACE "(0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,)" "\\1\n" bytes "${bytes}")
file(WRITE ${OUT}.new "// Made by embed_page.cmake from celkit/edit/page; not to be edited.\n#include \"celkit/edit/edit_page.h\"\n\nnamespace {\nconst unsigned char page[] = {\n${bytes}0};\n}  // namespace\n\nstd::string_view celkit::editPage() { return {reinterpret_cast<const char*>(page), ${length}}; }\n")
file(REMOVE ${OUT}.page)
file(COPY_FILE ${OUT}.new ${OUT} ONLY_IF_DIFFERENT)
file(REMOVE ${OUT}.new)
