# hostsim/serve/page/embedPage.cmake - writes OUTPUT, a C++ file holding the page's files
# (FILES, names relative to PAGE_DIR) as raw string literals: cmake -P, run at build time.
set(entries "")
set(bodies "")
set(index 0)
foreach(name ${FILES})
    file(READ ${PAGE_DIR}/${name} content)
    if(name MATCHES "\\.html$")
        set(type "text/html; charset=utf-8")
    elseif(name MATCHES "\\.css$")
        set(type "text/css; charset=utf-8")
    else()
        set(type "text/javascript; charset=utf-8")
    endif()
    set(path "/${name}")
    if(name STREQUAL "index.html")
        set(path "/")
    endif()
    string(APPEND bodies "static const char file${index}[] = R\"vectrinpage(${content})vectrinpage\";\n")
    string(APPEND entries "    {\"${path}\", \"${type}\", file${index}},\n")
    math(EXPR index "${index} + 1")
endforeach()
file(WRITE ${OUTPUT}.new "// Generated from hostsim/serve/page/ by embedPage.cmake; do not edit.\n"
     "#include <cstddef>\n\nnamespace hostsim {\nstruct PageFile {\n"
     "    const char* path;\n    const char* contentType;\n    const char* content;\n};\n"
     "${bodies}\nextern const PageFile pageFiles[] = {\n${entries}};\n"
     "extern const std::size_t pageFileCount = ${index};\n}  // namespace hostsim\n")
file(COPY_FILE ${OUTPUT}.new ${OUTPUT} ONLY_IF_DIFFERENT)
