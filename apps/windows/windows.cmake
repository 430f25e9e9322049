# SPDX-License-Identifier: GPL-3.0-or-later
# vfd_windows_resources(target description [icon.svg]): on Windows, gives a program its version
# and, when an SVG icon is named, that icon, made into an .ico at build time (librsvg2-bin's
# rsvg-convert and icoutils' icotool, which scripts/windows/build.sh installs).
function(vfd_windows_resources target description)
  if(NOT WIN32)
    return()
  endif()
  set(VFD_RC_NAME ${target})
  set(VFD_RC_DESCRIPTION ${description})
  set(VFD_RC_ICON_LINE "")
  set(depends)
  if(ARGC GREATER 2)
    find_program(VFD_RSVG_CONVERT rsvg-convert REQUIRED)
    find_program(VFD_ICOTOOL icotool REQUIRED)
    set(ico ${CMAKE_CURRENT_BINARY_DIR}/${target}.ico)
    set(pngs)
    foreach(size 16 32 48 256)
      set(png ${CMAKE_CURRENT_BINARY_DIR}/${target}-${size}.png)
      add_custom_command(OUTPUT ${png}
                         COMMAND ${VFD_RSVG_CONVERT} -w ${size} -h ${size} ${ARGV2} -o ${png}
                         DEPENDS ${ARGV2} VERBATIM)
      list(APPEND pngs ${png})
    endforeach()
    add_custom_command(OUTPUT ${ico} COMMAND ${VFD_ICOTOOL} -c -o ${ico} ${pngs} DEPENDS ${pngs}
                       COMMENT "Making ${target}'s icon" VERBATIM)
    set(VFD_RC_ICON_LINE "IDI_ICON1 ICON \"${ico}\"")
    set(depends ${ico})
  endif()
  set(rc ${CMAKE_CURRENT_BINARY_DIR}/${target}.rc)
  configure_file(${PROJECT_SOURCE_DIR}/apps/windows/program.rc.in ${rc} @ONLY)
  set_source_files_properties(${rc} PROPERTIES OBJECT_DEPENDS "${depends}")
  target_sources(${target} PRIVATE ${rc})
endfunction()
