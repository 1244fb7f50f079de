# Script mode: writes OUTPUT, a C++ file holding each file of FILES as a raw
# string constant named after it (reader.c -> kTemplate_reader_c), so quex
# carries its project templates without reading anything at run time.
set(text "// Generated from tools/quex/templates by embed.cmake; edit the templates instead.\n")
string(APPEND text "#include \"templates.h\"\n\nnamespace quex::tool {\n\n")
foreach(file ${FILES})
  get_filename_component(name ${file} NAME)
  string(MAKE_C_IDENTIFIER "kTemplate_${name}" identifier)
  file(READ ${file} contents)
  string(APPEND text "const char* const ${identifier} = R\"quex_template(${contents})quex_template\";\n\n")
endforeach()
string(APPEND text "} // namespace quex::tool\n")
file(WRITE ${OUTPUT}.new "${text}")
file(COPY_FILE ${OUTPUT}.new ${OUTPUT} ONLY_IF_DIFFERENT)
