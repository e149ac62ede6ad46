# Named by scripts/package-windows.sh in CMAKE_PROJECT_Ombrel_INCLUDE, so
# CMake runs it at the end of project(Ombrel): writes the installer's script
# with the version set there, the one place the version is set.
configure_file(${CMAKE_CURRENT_LIST_DIR}/ombrel.nsi.in
               ${PROJECT_BINARY_DIR}/packaging/windows/ombrel.nsi @ONLY)
