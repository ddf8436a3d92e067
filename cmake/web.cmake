# The WebAssembly build (Emscripten): the libraries come from the cache that
# scripts/web-deps builds from Debian's source packages, under the same target
# names the desktop build gets from pkg-config; the program is linked into a
# static site: index.html, vuxa.js, vuxa.wasm and vuxa.data (the show's data
# and its font file, unpacked into the browser's memory file system).
set(VUXA_WEB_PREFIX "${CMAKE_SOURCE_DIR}/build-web/cache/prefix" CACHE PATH
    "Where scripts/web-deps installed FreeType and libopenmpt")
set(VUXA_WEB_DATA "${CMAKE_SOURCE_DIR}/build/data" CACHE PATH
    "The show's data, as the desktop build generates it")
set(VUXA_WEB_FONT "" CACHE FILEPATH "The font file the desktop build draws text with")
set(VUXA_WEB_SITE "${CMAKE_BINARY_DIR}/site" CACHE PATH "Where the site is written")

foreach(lib FREETYPE:freetype OPENMPT:openmpt)
  string(REPLACE ":" ";" parts ${lib})
  list(GET parts 0 name)
  list(GET parts 1 file)
  add_library(PkgConfig::${name} STATIC IMPORTED GLOBAL)
  set_target_properties(PkgConfig::${name} PROPERTIES
    IMPORTED_LOCATION "${VUXA_WEB_PREFIX}/lib/lib${file}.a")
endforeach()
target_include_directories(PkgConfig::FREETYPE SYSTEM INTERFACE "${VUXA_WEB_PREFIX}/include/freetype2")
target_include_directories(PkgConfig::OPENMPT SYSTEM INTERFACE "${VUXA_WEB_PREFIX}/include")
# Highway's headers alone: WebAssembly SIMD is the only target in the browser,
# so its dispatch is static and needs none of libhwy's run-time code.
add_library(PkgConfig::HWY INTERFACE IMPORTED GLOBAL)
target_include_directories(PkgConfig::HWY SYSTEM INTERFACE "${VUXA_WEB_PREFIX}/include")

# libopenmpt reports a bad module by exception and catches it inside its C
# interface: the program links with exception support; our code needs none.
add_link_options(-fexceptions)
# WebAssembly SIMD: Highway's WASM target for the 2D fills, the text blend and
# the rasterizer's rows and spans; the same pixels as the plain loops.
add_compile_options(-msimd128)

# The call chain from main to the browser waits. Names as the wasm's name
# section spells them, "*" for the argument lists (parentheses in a pattern
# break emcc's list parsing). wasm-opt inlines most of them into main and
# Surface::Flip before it instruments; a name it no longer finds is a warning.
set(VUXA_WEB_ASYNCIFY_ONLY "['main','WinMain*','*RunTimeline*','EndFrame*',\
'platform::Surface::Flip*','host::PresentFrame*','host::machine::ShowFrame*',\
'host::machine::DropFrame*']")

function(vuxa_web_site target)
  if(NOT EXISTS "${VUXA_WEB_FONT}")
    message(FATAL_ERROR "VUXA_WEB_FONT must name the font file (make web finds it)")
  endif()
  get_filename_component(font_name "${VUXA_WEB_FONT}" NAME)
  set_target_properties(${target} PROPERTIES RUNTIME_OUTPUT_DIRECTORY "${VUXA_WEB_SITE}"
    SUFFIX ".js")
  target_link_options(${target} PRIVATE
    # The show's loop waits for the browser inside Flip (ASYNCIFY). Only the
    # functions between main and that wait are instrumented: by default every
    # function that makes an indirect call would be, which doubles the code
    # and slows every loop. The list is the one call chain to the waits in
    # host/web/window.cpp (Flip is reached through its interface's virtual
    # call, which the default analysis would follow everywhere).
    -sASYNCIFY -sASYNCIFY_STACK_SIZE=262144
    "-sASYNCIFY_ONLY=${VUXA_WEB_ASYNCIFY_ONLY}"
    -sALLOW_MEMORY_GROWTH=1 -sINITIAL_MEMORY=67108864
    -sINVOKE_RUN=0 -sENVIRONMENT=web
    "-sEXPORTED_FUNCTIONS=['_main','_malloc','_free']"
    "-sEXPORTED_RUNTIME_METHODS=['callMain','UTF8ToString']"
    # SHELL: keeps the repeated option names (CMake drops repeated options).
    "SHELL:--preload-file ${VUXA_WEB_DATA}@/"
    "SHELL:--exclude-file *.stamp" "SHELL:--exclude-file *icons"
    "SHELL:--preload-file ${VUXA_WEB_FONT}@/fonts/${font_name}")
  set_property(TARGET ${target} APPEND PROPERTY LINK_DEPENDS "${VUXA_WEB_DATA}/.stamp"
    "${VUXA_WEB_FONT}" "${CMAKE_SOURCE_DIR}/platform/host/web/index.html")
  add_custom_command(TARGET ${target} POST_BUILD
    COMMAND ${CMAKE_COMMAND} -E copy "${CMAKE_SOURCE_DIR}/platform/host/web/index.html"
            "${VUXA_WEB_SITE}/index.html")
endfunction()
