# The programs' messages in Vietnamese: translations/vi.po made a gettext catalogue with
# msgfmt, into TS_LOCALE_DIR/vi/LC_MESSAGES/tessaro.mo (the build tree's, found by the
# programs run from it) and installed under share/locale.
#   ts_message_catalogue(OUTPUT_DIR TARGET)
function(ts_message_catalogue dir target)
  find_program(TS_MSGFMT msgfmt REQUIRED)
  set(po ${PROJECT_SOURCE_DIR}/../translations/vi.po)
  if(NOT EXISTS ${po})
    set(po ${PROJECT_SOURCE_DIR}/translations/vi.po)
  endif()
  set(mo ${dir}/vi/LC_MESSAGES/tessaro.mo)
  add_custom_command(OUTPUT ${mo}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${dir}/vi/LC_MESSAGES
    COMMAND ${TS_MSGFMT} --check -o ${mo} ${po}
    DEPENDS ${po} COMMENT "Making the Vietnamese message catalogue")
  add_custom_target(${target} ALL DEPENDS ${mo})
  set(TS_MESSAGE_CATALOGUE ${mo} PARENT_SCOPE)
endfunction()
