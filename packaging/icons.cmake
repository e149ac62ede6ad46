# The project's icon as PNG pictures, rendered from the one hand-drawn SVG at
# build time with rsvg-convert (Debian: librsvg2-bin), into an icon-theme tree
# under ${OMBREL_ICON_TREE}: <size>x<size>/apps/org.ombrel.Ombrel.png. The
# window takes them as its icon (Qt reads PNG without plugins, SVG only with
# one) and packaging/ installs the same tree into hicolor.
set(OMBREL_APP_ID org.ombrel.Ombrel)
set(OMBREL_ICON_SVG ${PROJECT_SOURCE_DIR}/packaging/icons/${OMBREL_APP_ID}.svg)
set(OMBREL_ICON_TREE ${PROJECT_BINARY_DIR}/icons)
set(OMBREL_ICON_SIZES 16 32 48 64 128 256)
find_program(OMBREL_RSVG_CONVERT rsvg-convert)

# Sets `out_var` to the rendered pictures, made by rules of the calling
# directory; to nothing where rsvg-convert is missing.
function(ombrel_render_icons out_var)
  set(pictures)
  if(OMBREL_RSVG_CONVERT)
    foreach(size IN LISTS OMBREL_ICON_SIZES)
      set(picture ${OMBREL_ICON_TREE}/${size}x${size}/apps/${OMBREL_APP_ID}.png)
      add_custom_command(
        OUTPUT ${picture}
        COMMAND ${CMAKE_COMMAND} -E make_directory ${OMBREL_ICON_TREE}/${size}x${size}/apps
        COMMAND ${OMBREL_RSVG_CONVERT} --width=${size} --height=${size} --output=${picture} ${OMBREL_ICON_SVG}
        DEPENDS ${OMBREL_ICON_SVG}
        COMMENT "Rendering the icon at ${size} px"
        VERBATIM)
      list(APPEND pictures ${picture})
    endforeach()
  else()
    message(STATUS "rsvg-convert not found: no PNG icons, and the window has no icon")
  endif()
  set(${out_var} ${pictures} PARENT_SCOPE)
endfunction()
