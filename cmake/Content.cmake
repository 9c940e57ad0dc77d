# The gift's content: every picture, the song, the letters and the poem,
# embedded as byte blocks into the static library gift_content together with
# their accessors (app/Content.cpp).
#
# GIFT_CONTENT_DIR points the build at another content folder with the same
# file names; app/content/README.md says how to make the gift your own. The
# folder is checked at configure time (format, pixel size, frame count, text
# encoding) and the build stops with a message naming any file that is wrong.
include_guard(GLOBAL)
include(${CMAKE_CURRENT_LIST_DIR}/Embed.cmake)

set(GIFT_CONTENT_DIR "${PROJECT_SOURCE_DIR}/app/content" CACHE PATH
    "folder with the gift's pictures, song, letters and poem")

find_program(GIFT_PYTHON NAMES python3 REQUIRED)
set(_content_tools "${PROJECT_SOURCE_DIR}/tools/content")
get_filename_component(_content_dir "${GIFT_CONTENT_DIR}" ABSOLUTE BASE_DIR "${PROJECT_SOURCE_DIR}")

execute_process(
  COMMAND "${GIFT_PYTHON}" "${_content_tools}/validate.py" "${_content_dir}"
  RESULT_VARIABLE _content_rc
  ERROR_VARIABLE _content_errors)
if(NOT _content_rc EQUAL 0)
  message(FATAL_ERROR "The content in ${_content_dir} cannot be embedded:\n${_content_errors}")
endif()

# Texts: UTF-8 on disk, embedded as GBK with CR LF breaks (the poem as one
# NUL-terminated string per line). Converted here, into the build folder.
set(_content_gbk "${CMAKE_CURRENT_BINARY_DIR}/content")
file(MAKE_DIRECTORY "${_content_gbk}")
foreach(_text letter:letter1 letter:letter2 poem:poem)
  string(REPLACE ":" ";" _pair "${_text}")
  list(GET _pair 0 _kind)
  list(GET _pair 1 _name)
  execute_process(
    COMMAND "${GIFT_PYTHON}" "${_content_tools}/gbk_text.py" ${_kind}
            "${_content_dir}/${_name}.txt" "${_content_gbk}/${_name}.gbk"
    RESULT_VARIABLE _content_rc
    ERROR_VARIABLE _content_errors)
  if(NOT _content_rc EQUAL 0)
    message(FATAL_ERROR "The text ${_content_dir}/${_name}.txt cannot be embedded:\n${_content_errors}")
  endif()
  set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS "${_content_dir}/${_name}.txt")
endforeach()
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS
  "${_content_tools}/validate.py" "${_content_tools}/gbk_text.py")

add_library(gift_content STATIC ${PROJECT_SOURCE_DIR}/app/Content.cpp)
target_link_libraries(gift_content PUBLIC gift_options)

gift_embed(gift_content ContentStartBackground "${_content_dir}/start_background.jpg")
gift_embed(gift_content ContentFireworksBackground "${_content_dir}/fireworks_background.jpg")
gift_embed(gift_content ContentWordsBackground "${_content_dir}/words_background.jpg")
gift_embed(gift_content ContentLetterBackground "${_content_dir}/letter_background.jpg")
gift_embed(gift_content ContentPictureStrip "${_content_dir}/picture_strip.jpg")
gift_embed(gift_content ContentBigRose "${_content_dir}/big_rose.jpg")
foreach(_n RANGE 1 22)
  if(_n LESS 10)
    set(_nn "0${_n}")
  else()
    set(_nn "${_n}")
  endif()
  # F6 and F7 are photographs; every other flower picture is a GIF
  if(_n EQUAL 6 OR _n EQUAL 7)
    set(_ext jpg)
  else()
    set(_ext gif)
  endif()
  gift_embed(gift_content ContentFlower${_nn} "${_content_dir}/f${_nn}.${_ext}")
endforeach()
foreach(_n RANGE 1 35)
  if(_n LESS 10)
    set(_nn "0${_n}")
  else()
    set(_nn "${_n}")
  endif()
  gift_embed(gift_content ContentFireworks${_nn} "${_content_dir}/fireworks_${_nn}.png")
endforeach()
foreach(_n 2 3 4)
  gift_embed(gift_content ContentRoseBox${_n} "${_content_dir}/rose_box_${_n}.gif")
endforeach()
gift_embed(gift_content ContentSong "${_content_dir}/song.mp3")
gift_embed(gift_content ContentStartIcon "${_content_dir}/start_icon.ico")
gift_embed(gift_content ContentFirstLetter "${_content_gbk}/letter1.gbk")
gift_embed(gift_content ContentSecondLetter "${_content_gbk}/letter2.gbk")
gift_embed(gift_content ContentPoem "${_content_gbk}/poem.gbk")
