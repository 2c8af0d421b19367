# The translations of the window's texts: every translations/*.ts (the
# window's, brevant_<lang>.ts, and the lower layers', brevant_core_<lang>.ts)
# is compiled by lrelease and embedded under :/i18n/ in the target given to
# brevant_embed_translations (the program's library, so the program, the
# gallery and the window tests carry them alike).
#
#   cmake --build build/default --target update_translations
# runs scripts/update-translations.sh: lupdate brings the .ts files up to the
# sources; the new entries are then translated and the .ts files committed.
find_package(Qt6 REQUIRED COMPONENTS LinguistTools)

file(GLOB BREVANT_TS_FILES CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/translations/*.ts)

function(brevant_embed_translations target)
  set(qm_dir ${CMAKE_CURRENT_BINARY_DIR}/i18n)
  set(qm_files)
  foreach(ts IN LISTS BREVANT_TS_FILES)
    get_filename_component(name ${ts} NAME_WE)
    set(qm ${qm_dir}/${name}.qm)
    add_custom_command(OUTPUT ${qm}
      COMMAND ${CMAKE_COMMAND} -E make_directory ${qm_dir}
      COMMAND Qt6::lrelease -silent ${ts} -qm ${qm}
      DEPENDS ${ts} VERBATIM)
    list(APPEND qm_files ${qm})
  endforeach()
  if(qm_files)
    qt_add_resources(${target} brevant_i18n PREFIX "/i18n" BASE ${qm_dir} FILES ${qm_files})
  endif()
endfunction()

add_custom_target(update_translations
  COMMAND bash ${PROJECT_SOURCE_DIR}/scripts/update-translations.sh $<TARGET_FILE:Qt6::lupdate>
  WORKING_DIRECTORY ${PROJECT_SOURCE_DIR} VERBATIM)
