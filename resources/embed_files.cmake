# Writes OUTPUT, a C++ source that defines one EmbeddedFile (embedded_resources.h)
# per NAME=FILE pair of FILES, holding the file's bytes.
# Run as: cmake -DOUTPUT=... -DFILES="name=path;..." -P embed_files.cmake
set(_body "")
foreach(pair ${FILES})
  string(REPLACE "=" ";" _parts "${pair}")
  list(GET _parts 0 _name)
  list(GET _parts 1 _path)
  file(READ "${_path}" _hex HEX)
  string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," _bytes "${_hex}")
  string(REGEX REPLACE "(0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,)" "\\1\n"
         _bytes "${_bytes}")
  get_filename_component(_file "${_path}" NAME)
  string(APPEND _body
    "\n// ${_file}\nconst unsigned char ${_name}_bytes[] = {\n${_bytes}};\n"
    "const EmbeddedFile ${_name} = {${_name}_bytes, sizeof ${_name}_bytes};\n")
endforeach()
file(WRITE "${OUTPUT}.tmp"
  "// Generated at build time from the files in resources/; do not edit.\n"
  "#include \"embedded_resources.h\"\n\nnamespace druvex::resources {\n"
  "${_body}\n}  // namespace druvex::resources\n")
file(RENAME "${OUTPUT}.tmp" "${OUTPUT}")
