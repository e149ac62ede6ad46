# The Windows installer's script, written with the version project() sets,
# the one place the version is set; scripts/package-windows.sh makes the
# installer from it.
configure_file(${CMAKE_CURRENT_LIST_DIR}/ombrel.nsi.in
               ${PROJECT_BINARY_DIR}/packaging/windows/ombrel.nsi @ONLY)
