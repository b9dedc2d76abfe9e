# tq_add_windowed_program(<name>
#                         SOURCES <file>...      the window, in folder <name>/
#                         LIBRARIES <target>...  what the window needs besides
#                                                the device link and the
#                                                toolkit model
#                         SHORTCUT <text>        its Start-menu shortcut
#                         [MAIN_QT <file>] [MAIN_WIN32 <file>])
#                                                a main of its own instead of
#                                                the template's, for a program
#                                                that needs more than a HidApi
#                                                and a view (the backend's
#                                                libraries it then links
#                                                itself)
#
# One windowed program, TQ5271_<name>, whose window is tq::<name>::frmMain
# of <name>/frm_main.h, and everything that comes with it by its name:
#   <name>_core           the window over any HidApi and any view, for the
#                         program, the tests, the demo and the fuzz targets;
#   TQ5271_<name>         on Linux the hidraw backend and the Qt view, on
#                         Windows SetupAPI, hid.dll and native controls; its
#                         main comes from main_qt.cpp.in or
#                         main_win32.cpp.in here;
#   packaging/windows/<name>.ico  the window icon, which the Qt program also
#                         carries for a desktop whose icon theme has none;
#   packaging/windows/<name>.rc   the Windows resources: icon, manifest and
#                         version resource;
#   packaging/linux/      tq5271-<name>.desktop, its hicolor icons,
#                         org.example.tq5271.<name>.metainfo.xml and the
#                         manual page TQ5271_<name>.1;
# and the install rules of all of it; the program joins the packages through
# tq_install_program (cmake/TQPrograms.cmake).
function(tq_add_windowed_program name)
  cmake_parse_arguments(PARSE_ARGV 1 arg "" "SHORTCUT;MAIN_QT;MAIN_WIN32" "SOURCES;LIBRARIES")
  set(program TQ5271_${name})
  set(core ${name}_core)
  add_library(${core} STATIC ${arg_SOURCES})
  target_link_libraries(${core} PUBLIC ${arg_LIBRARIES} ui_model devlink)

  # What the main template fills in.
  set(TQ_PROGRAM ${program})
  set(TQ_FORM tq::${name}::frmMain)
  set(TQ_FORM_HEADER ${name}/frm_main.h)
  set(TQ_DESKTOP_NAME tq5271-${name})
  set(TQ_ICON ${name}.ico)
  set(windows ${PROJECT_SOURCE_DIR}/packaging/windows)
  set(linux ${PROJECT_SOURCE_DIR}/packaging/linux)

  if(WIN32)
    if(arg_MAIN_WIN32)
      set(main ${CMAKE_CURRENT_SOURCE_DIR}/${arg_MAIN_WIN32})
    else()
      configure_file(${PROJECT_SOURCE_DIR}/windowed/main_win32.cpp.in main_win32.cpp @ONLY)
      set(main ${CMAKE_CURRENT_BINARY_DIR}/main_win32.cpp)
    endif()
    add_executable(${program} WIN32 ${main} ${windows}/${name}.rc)
    target_link_libraries(${program} PRIVATE ${core} hid_win32 ui_win32)
    # The version numbers the resource script shows (packaging/windows).
    target_include_directories(${program} PRIVATE ${PROJECT_BINARY_DIR}/packaging/windows)
    tq_install_program(${program} SHORTCUT "${arg_SHORTCUT}")
    return()
  endif()
  if(NOT TARGET ui_qt)
    return()
  endif()

  if(arg_MAIN_QT)
    set(main ${CMAKE_CURRENT_SOURCE_DIR}/${arg_MAIN_QT})
  else()
    configure_file(${PROJECT_SOURCE_DIR}/windowed/main_qt.cpp.in main.cpp @ONLY)
    set(main ${CMAKE_CURRENT_BINARY_DIR}/main.cpp)
  endif()
  add_executable(${program} ${main})
  target_link_libraries(${program} PRIVATE ${core} hid_hidraw ui_qt)
  qt6_add_resources(${program} "window_icon" PREFIX "/icons" BASE ${windows}
                   FILES ${windows}/${TQ_ICON})
  tq_install_program(${program} SHORTCUT "${arg_SHORTCUT}")

  install(FILES ${linux}/${TQ_DESKTOP_NAME}.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
  install(FILES ${linux}/org.example.tq5271.${name}.metainfo.xml
          DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
  foreach(size 16 22 24 32 48 64 128 256)
    install(FILES ${linux}/icons/${size}x${size}/${TQ_DESKTOP_NAME}.png
            DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps)
  endforeach()
  install(FILES ${linux}/icons/scalable/${TQ_DESKTOP_NAME}.svg
          DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
  # Compressed without a time stamp, as Debian wants its manual pages.
  add_custom_command(
    OUTPUT ${program}.1.gz
    COMMAND gzip -9nc ${linux}/${program}.1 > ${program}.1.gz
    DEPENDS ${linux}/${program}.1)
  add_custom_target(${program}_manual ALL DEPENDS ${program}.1.gz)
  install(FILES ${CMAKE_CURRENT_BINARY_DIR}/${program}.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
endfunction()
