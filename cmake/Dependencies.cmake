# Outside libraries, found once for every module. Each becomes an imported target
# named Parch::<name> so modules link them by one name.
find_package(PkgConfig REQUIRED)
find_package(ZLIB REQUIRED)
find_package(Threads REQUIRED)

foreach(pair
    "fontconfig;fontconfig" "freetype;freetype2" "cairo;cairo" "lcms2;lcms2"
    "xml2;libxml-2.0" "icu;icu-uc" "curl;libcurl" "sdl2;sdl2" "openjp2;libopenjp2"
    "png;libpng" "tiff;libtiff-4")
  list(GET pair 0 name)
  list(GET pair 1 module)
  pkg_check_modules(PARCH_PC_${name} QUIET IMPORTED_TARGET GLOBAL ${module})
  if(PARCH_PC_${name}_FOUND)
    add_library(Parch::${name} ALIAS PkgConfig::PARCH_PC_${name})
  endif()
endforeach()

find_path(FREEIMAGE_INCLUDE_DIR FreeImage.h)
find_library(FREEIMAGE_LIBRARY freeimage)
if(FREEIMAGE_INCLUDE_DIR AND FREEIMAGE_LIBRARY)
  add_library(Parch::freeimage UNKNOWN IMPORTED GLOBAL)
  set_target_properties(Parch::freeimage PROPERTIES
    IMPORTED_LOCATION ${FREEIMAGE_LIBRARY}
    INTERFACE_INCLUDE_DIRECTORIES ${FREEIMAGE_INCLUDE_DIR})
endif()

find_package(JPEG)
if(JPEG_FOUND)
  add_library(Parch::jpeg ALIAS JPEG::JPEG)
endif()

if(PARCH_BUILD_TESTS)
  find_package(GTest REQUIRED)
endif()
# Pango is a peer the hint tests compare with, in every build.
pkg_check_modules(PARCH_PC_pangocairo REQUIRED IMPORTED_TARGET GLOBAL pangocairo)
add_library(Parch::pangocairo ALIAS PkgConfig::PARCH_PC_pangocairo)
if(PARCH_BUILD_BENCH)
  find_package(benchmark REQUIRED)
  # Peers that benchmarks run in-process; only bench targets link them.
  pkg_check_modules(PARCH_PC_qpdf REQUIRED IMPORTED_TARGET GLOBAL libqpdf)
  # Its headers without the deprecated PointerHolder, which they warn about otherwise.
  set_property(TARGET PkgConfig::PARCH_PC_qpdf APPEND PROPERTY INTERFACE_COMPILE_DEFINITIONS POINTERHOLDER_TRANSITION=4)
  add_library(Parch::qpdf ALIAS PkgConfig::PARCH_PC_qpdf)
  pkg_check_modules(PARCH_PC_poppler_cpp REQUIRED IMPORTED_TARGET GLOBAL poppler-cpp)
  add_library(Parch::poppler_cpp ALIAS PkgConfig::PARCH_PC_poppler_cpp)
  pkg_check_modules(PARCH_PC_pixman REQUIRED IMPORTED_TARGET GLOBAL pixman-1)
  add_library(Parch::pixman ALIAS PkgConfig::PARCH_PC_pixman)
  pkg_check_modules(PARCH_PC_magickpp REQUIRED IMPORTED_TARGET GLOBAL Magick++)
  add_library(Parch::magickpp ALIAS PkgConfig::PARCH_PC_magickpp)
  find_library(PARCH_JBIG2DEC_LIBRARY jbig2dec REQUIRED)
  add_library(Parch::jbig2dec UNKNOWN IMPORTED GLOBAL)
  set_target_properties(Parch::jbig2dec PROPERTIES IMPORTED_LOCATION ${PARCH_JBIG2DEC_LIBRARY})
endif()
