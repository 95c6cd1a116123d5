# Installation and packaging: the shared libraries, the public header with
# the headers it includes, a CMake package (find_package(RZ CONFIG)) and a
# pkg-config file. Included from the top-level CMakeLists.txt once every
# library target exists.
include(GNUInstallDirs)
include(CMakePackageConfigHelpers)

set(RZ_PACKAGE_LIBRARIES RZ KWRoot)
if(TARGET SoftGDI)
  # The library calls our software GDI where there is no Windows.
  list(APPEND RZ_PACKAGE_LIBRARIES SoftGDI)
endif()

# The same names for a project that adds this tree with add_subdirectory.
foreach(library IN LISTS RZ_PACKAGE_LIBRARIES)
  add_library(RZ::${library} ALIAS ${library})
endforeach()

# libRZ.so.0 and the like: the major version names the binary interface.
# Installed, each library finds the others beside itself ($ORIGIN), and
# nothing in the build tree. Windows hosts load RZ.dll and KWRoot.dll by
# those names, unversioned, from the program's folder.
if(NOT WIN32)
  set_target_properties(${RZ_PACKAGE_LIBRARIES} PROPERTIES
    VERSION ${PROJECT_VERSION} SOVERSION ${PROJECT_VERSION_MAJOR} INSTALL_RPATH "$ORIGIN")
endif()

install(TARGETS ${RZ_PACKAGE_LIBRARIES} EXPORT RZTargets
  RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR}
  LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR}
  ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR}
  INCLUDES DESTINATION ${CMAKE_INSTALL_INCLUDEDIR})

# The public header and exactly what it includes, plus the root library's
# memory functions that release the blocks the library hands out.
install(FILES Graphics/RZ/KWPixMap DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/RZ)
install(FILES Graphics/RZ/platform/Export.h Graphics/RZ/platform/WindowsTypes.h
        DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/RZ/platform)
install(FILES Graphics/KWRoot/include/KWRoot/Export.h Graphics/KWRoot/include/KWRoot/Memory.h
              Graphics/KWRoot/include/KWRoot/VariableArray.h
        DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/KWRoot)
if(TARGET SoftGDI)
  install(FILES Graphics/SoftGDI/include/SoftGDI/Export.h Graphics/SoftGDI/include/SoftGDI/WinTypes.h
          DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/SoftGDI)
endif()

set(RZ_INSTALL_CMAKEDIR ${CMAKE_INSTALL_LIBDIR}/cmake/RZ)
install(EXPORT RZTargets NAMESPACE RZ:: DESTINATION ${RZ_INSTALL_CMAKEDIR})
configure_package_config_file(cmake/RZConfig.cmake.in ${PROJECT_BINARY_DIR}/RZConfig.cmake
  INSTALL_DESTINATION ${RZ_INSTALL_CMAKEDIR})
# Before 1.0 a minor version may change the interface.
write_basic_package_version_file(${PROJECT_BINARY_DIR}/RZConfigVersion.cmake
  COMPATIBILITY SameMinorVersion)
install(FILES ${PROJECT_BINARY_DIR}/RZConfig.cmake ${PROJECT_BINARY_DIR}/RZConfigVersion.cmake
        DESTINATION ${RZ_INSTALL_CMAKEDIR})

# rz.pc finds the prefix from its own place, so an installed tree can move.
file(RELATIVE_PATH RZ_PC_PREFIX "/prefix/${CMAKE_INSTALL_LIBDIR}/pkgconfig" "/prefix")
string(REGEX REPLACE "/$" "" RZ_PC_PREFIX "${RZ_PC_PREFIX}")
set(RZ_PC_LIBS "-lRZ -lKWRoot")
if(TARGET SoftGDI)
  string(APPEND RZ_PC_LIBS " -lSoftGDI")
endif()
if(WIN32)
  string(APPEND RZ_PC_LIBS " -lgdiplus -lgdi32 -luser32")
endif()
configure_file(cmake/rz.pc.in ${PROJECT_BINARY_DIR}/rz.pc @ONLY)
install(FILES ${PROJECT_BINARY_DIR}/rz.pc DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig)
