# Imported targets for the cross-built static libraries (tools/deps.sh).
include_guard(GLOBAL)

function(gift_dep target libname header)
  find_library(GIFT_LIB_${libname} NAMES ${libname} PATHS ${GIFT_DEPS_PREFIX}/lib NO_DEFAULT_PATH)
  find_path(GIFT_INC_${libname} ${header} PATHS ${GIFT_DEPS_PREFIX}/include NO_DEFAULT_PATH)
  if(NOT GIFT_LIB_${libname} OR NOT GIFT_INC_${libname})
    message(FATAL_ERROR "${libname} not found under ${GIFT_DEPS_PREFIX}: run tools/deps.sh")
  endif()
  add_library(${target} STATIC IMPORTED GLOBAL)
  set_target_properties(${target} PROPERTIES
    IMPORTED_LOCATION ${GIFT_LIB_${libname}}
    INTERFACE_INCLUDE_DIRECTORIES ${GIFT_INC_${libname}})
endfunction()

gift_dep(gift::zlib libz.a zlib.h)
gift_dep(gift::png libpng16.a png.h)
gift_dep(gift::jpeg libjpeg.a jpeglib.h)
gift_dep(gift::mpg123 libmpg123.a mpg123.h)
set_property(TARGET gift::png APPEND PROPERTY INTERFACE_LINK_LIBRARIES gift::zlib)
set_property(TARGET gift::mpg123 APPEND PROPERTY INTERFACE_LINK_LIBRARIES shlwapi)
