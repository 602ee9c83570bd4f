# The server setup wizard's rules: no widgets, tested without a display.
add_library(korvale_setup_wizard STATIC
  ${CMAKE_CURRENT_LIST_DIR}/wizard_help.cpp
  ${CMAKE_CURRENT_LIST_DIR}/wizard_locales.cpp
  ${CMAKE_CURRENT_LIST_DIR}/wizard_mailbox.cpp
  ${CMAKE_CURRENT_LIST_DIR}/wizard_rules.cpp
)
korvale_headers(korvale_setup_wizard
  FILES Setup/wizard_locales.h Setup/wizard_mailbox.h Setup/wizard_rules.h Setup/wizard_ui.h)
target_link_libraries(korvale_setup_wizard PUBLIC korvale_setup korvale_registry korvale_common korvale_profile korvale_vdirtool
  korvale_config korvale_mapi)

korvale_test(setup_wizard_test
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/wizard_presets_test.cpp ${CMAKE_CURRENT_LIST_DIR}/wizard_rules_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/wizard_mailbox_test.cpp
  LIBS korvale_setup_wizard)
# Create runs the real KvCrVDir in the tests.
add_dependencies(setup_wizard_test KvCrVDir)

if(KORVALE_WITH_WINDOWS)
  add_subdirectory(${CMAKE_CURRENT_LIST_DIR}/windows ${CMAKE_CURRENT_BINARY_DIR}/windows)
endif()
