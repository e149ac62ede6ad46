# The Windows programs' resources: the version information the window reads
# back at start-up, and the program's icon, the one the Linux package has,
# as an .ico (rendered from the SVG with rsvg-convert, put together with
# icotool from Debian's icoutils).
find_program(OMBREL_RSVG_CONVERT rsvg-convert)
find_program(OMBREL_ICOTOOL icotool)

set(OMBREL_ICO ${PROJECT_BINARY_DIR}/icons/ombrel.ico)
if(OMBREL_RSVG_CONVERT AND OMBREL_ICOTOOL)
  set(svg ${PROJECT_SOURCE_DIR}/packaging/icons/org.ombrel.Ombrel.svg)
  set(dir ${PROJECT_BINARY_DIR}/icons/ico)
  set(commands)
  set(small)
  foreach(size 16 24 32 48 64)
    list(APPEND commands COMMAND ${OMBREL_RSVG_CONVERT} --width=${size} --height=${size}
                                 --output=${dir}/${size}.png ${svg})
    list(APPEND small ${dir}/${size}.png)
  endforeach()
  # 256 px stays PNG inside the icon (-r), as Windows Vista and later take it.
  add_custom_command(
    OUTPUT ${OMBREL_ICO}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${dir}
    ${commands}
    COMMAND ${OMBREL_RSVG_CONVERT} --width=256 --height=256 --output=${dir}/256.png ${svg}
    COMMAND ${OMBREL_ICOTOOL} -c -o ${OMBREL_ICO} ${small} -r ${dir}/256.png
    DEPENDS ${svg}
    COMMENT "Making the Windows icon"
    VERBATIM)
  add_custom_target(ombrel_windows_icon DEPENDS ${OMBREL_ICO})
  set(OMBREL_HAVE_ICO TRUE)
else()
  message(WARNING "rsvg-convert or icotool missing: the Windows programs get no icon")
  set(OMBREL_HAVE_ICO FALSE)
endif()

# Gives `target` its version resource, with `description` as its
# FileDescription, and the program's icon.
function(ombrel_add_version_resource target description)
  set(OMBREL_RC_DESCRIPTION "${description}")
  set(OMBREL_RC_FILENAME "${target}.exe")
  set(OMBREL_RC_ICON "")
  if(OMBREL_HAVE_ICO)
    file(TO_CMAKE_PATH "${OMBREL_ICO}" ico)
    set(OMBREL_RC_ICON "1 ICON \"${ico}\"")
  endif()
  set(rc ${CMAKE_CURRENT_BINARY_DIR}/${target}.rc)
  configure_file(${PROJECT_SOURCE_DIR}/app/ombrel.rc.in ${rc} @ONLY)
  target_sources(${target} PRIVATE ${rc})
  if(OMBREL_HAVE_ICO)
    set_source_files_properties(${rc} PROPERTIES OBJECT_DEPENDS ${OMBREL_ICO})
    add_dependencies(${target} ombrel_windows_icon)
  endif()
endfunction()
