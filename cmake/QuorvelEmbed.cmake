# quorvel_embed(<target> <symbol> <file>)
# Compiles <file> into <target>. The generated header "embedded/<symbol>.hpp"
# declares quorvel_embedded::<symbol>(), which returns the file's bytes as a
# std::string_view. The source is regenerated whenever the file changes.
set(QUORVEL_EMBED_SCRIPT "${CMAKE_CURRENT_LIST_DIR}/QuorvelEmbedGenerate.cmake")

function(quorvel_embed target symbol file)
  get_filename_component(file "${file}" ABSOLUTE)
  set(dir "${CMAKE_CURRENT_BINARY_DIR}/embedded")
  set(header "${dir}/embedded/${symbol}.hpp")
  set(source "${dir}/${symbol}.cpp")
  add_custom_command(
    OUTPUT "${source}" "${header}"
    COMMAND ${CMAKE_COMMAND} -DINPUT=${file} -DSYMBOL=${symbol}
            -DSOURCE=${source} -DHEADER=${header} -P "${QUORVEL_EMBED_SCRIPT}"
    DEPENDS "${file}" "${QUORVEL_EMBED_SCRIPT}"
    COMMENT "Embedding ${file}"
    VERBATIM)
  target_sources(${target} PRIVATE "${source}" "${header}")
  target_include_directories(${target} PRIVATE "${dir}")
endfunction()
