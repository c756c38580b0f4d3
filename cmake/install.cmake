# What `cmake --install` puts under the prefix, and the Debian package CPack makes of it
# (`make package`):
#
#   <bindir>/zorvel-ov
#   <libdir>/zorvel/libZorvelCompilerPlugin_IntelOpenvino.so
#   <libdir>/zorvel/libopenvino.so.*, libopenvino_tensorflow_lite_frontend.so.*   (bundled only)
#   <includedir>/zorvel/c/*.h
#
# The plug-in is a module a runtime opens by path, so it lives in a folder of its own. In bundled
# mode ovref's two shared libraries go beside it: they carry the toolkit's file names, and a
# private folder keeps them from standing in for an installed toolkit. They stay shared rather than
# linked into the plug-in statically because zorvel-ov (and any runtime that imports the compiled
# blobs itself) links them too: one process must hold one copy of the graph API, whose type
# registry and exceptions the plug-in and its host share. Both binaries find them through a
# relative RPATH, so the tree works under any prefix and inside a package extracted anywhere.
include(GNUInstallDirs)

set(ZORVEL_INSTALL_PLUGIN_DIR "${CMAKE_INSTALL_LIBDIR}/zorvel")
file(RELATIVE_PATH ZORVEL_BIN_TO_PLUGIN_DIR "/${CMAKE_INSTALL_BINDIR}"
     "/${ZORVEL_INSTALL_PLUGIN_DIR}")

set_target_properties(ZorvelCompilerPlugin_IntelOpenvino PROPERTIES INSTALL_RPATH "$ORIGIN")
set_target_properties(zorvel-ov PROPERTIES INSTALL_RPATH "$ORIGIN/${ZORVEL_BIN_TO_PLUGIN_DIR}")
# The installed zorvel-ov looks for the plug-in at this path from its own folder before it falls
# back to the one in the build tree.
target_compile_definitions(zorvel_ov_tools PRIVATE
  ZORVEL_INSTALLED_PLUGIN_FROM_BIN="${ZORVEL_BIN_TO_PLUGIN_DIR}/$<TARGET_FILE_NAME:ZorvelCompilerPlugin_IntelOpenvino>")

install(TARGETS ZorvelCompilerPlugin_IntelOpenvino
        LIBRARY DESTINATION ${ZORVEL_INSTALL_PLUGIN_DIR} COMPONENT runtime)
install(TARGETS zorvel-ov RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT runtime)
if(ZORVEL_OPENVINO STREQUAL "bundled")
  set_target_properties(openvino openvino_tensorflow_lite_frontend PROPERTIES INSTALL_RPATH "$ORIGIN")
  install(TARGETS openvino openvino_tensorflow_lite_frontend
          LIBRARY DESTINATION ${ZORVEL_INSTALL_PLUGIN_DIR} NAMELINK_SKIP COMPONENT runtime)
endif()
file(GLOB ZORVEL_PUBLIC_C_HEADERS ${PROJECT_SOURCE_DIR}/zorvel/c/*.h)
install(FILES ${ZORVEL_PUBLIC_C_HEADERS} DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/zorvel/c
        COMPONENT runtime)

set(CPACK_GENERATOR "DEB")
set(CPACK_PACKAGE_NAME "zorvel-intel-openvino")
set(CPACK_PACKAGE_VERSION "0.1.0")
set(CPACK_PACKAGE_CONTACT "Zorvel runtime team <zorvel-runtime@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
    "Zorvel compiler plug-in for Intel NPUs, GPUs and CPUs through OpenVINO, with zorvel-ov")
set(CPACK_PACKAGE_INSTALL_DIRECTORY "zorvel")
set(CPACK_PACKAGING_INSTALL_PREFIX "/usr")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION "libs")
# The package's dependencies are read from the binaries; the bundled libraries are its own.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS_PRIVATE_DIRS
    "${CMAKE_BINARY_DIR}/ovref;${CMAKE_BINARY_DIR}/zorvel/vendors/intel_openvino/compiler")
set(CPACK_STRIP_FILES ON)
include(CPack)

if(ZORVEL_BUILD_TESTS)
  # The installed tree on its own: installed into a fresh prefix, the installed zorvel-ov loads the
  # plug-in installed beside it (its path is printed with the prefix replaced by PREFIX).
  set(ZORVEL_INSTALL_TEST_DIR ${PROJECT_BINARY_DIR}/install-test)
  add_test(NAME zorvel_ov_installed_info COMMAND sh -c
    "rm -rf '${ZORVEL_INSTALL_TEST_DIR}' && '${CMAKE_COMMAND}' --install '${PROJECT_BINARY_DIR}' --prefix '${ZORVEL_INSTALL_TEST_DIR}' >/dev/null && '${ZORVEL_INSTALL_TEST_DIR}/bin/zorvel-ov' info | sed 's#${ZORVEL_INSTALL_TEST_DIR}#PREFIX#'")
  set_tests_properties(zorvel_ov_installed_info PROPERTIES PASS_REGULAR_EXPRESSION
    "plug-in:       PREFIX/${ZORVEL_INSTALL_PLUGIN_DIR}/libZorvelCompilerPlugin_IntelOpenvino\\.so\nAPI version:   0\\.1\\.0\nmanufacturer:  IntelOpenVINO\n")
  # The Debian package CPack makes, extracted into a fresh root: the same check on /usr.
  # Once, in the optimized build: packaging the sanitized binaries checks nothing more.
  find_program(ZORVEL_DPKG_DEB dpkg-deb)
  if(ZORVEL_DPKG_DEB AND NOT ZORVEL_SANITIZE)
    set(ZORVEL_PACKAGE_TEST_DIR ${PROJECT_BINARY_DIR}/package-test)
    add_test(NAME zorvel_ov_package_deb COMMAND sh -c
      "rm -rf '${ZORVEL_PACKAGE_TEST_DIR}' && '${CMAKE_CPACK_COMMAND}' -G DEB -B '${ZORVEL_PACKAGE_TEST_DIR}/out' --config '${PROJECT_BINARY_DIR}/CPackConfig.cmake' >/dev/null && '${ZORVEL_DPKG_DEB}' -x '${ZORVEL_PACKAGE_TEST_DIR}'/out/*.deb '${ZORVEL_PACKAGE_TEST_DIR}/root' && '${ZORVEL_DPKG_DEB}' -f '${ZORVEL_PACKAGE_TEST_DIR}'/out/*.deb Package Depends && '${ZORVEL_PACKAGE_TEST_DIR}/root/usr/bin/zorvel-ov' info | sed 's#${ZORVEL_PACKAGE_TEST_DIR}/root#ROOT#'")
    set_tests_properties(zorvel_ov_package_deb PROPERTIES TIMEOUT 900 PASS_REGULAR_EXPRESSION
      "Package: zorvel-intel-openvino\nDepends: .*libabsl.*plug-in:       ROOT/usr/${ZORVEL_INSTALL_PLUGIN_DIR}/libZorvelCompilerPlugin_IntelOpenvino\\.so\nAPI version:   0\\.1\\.0\n")
  endif()
endif()
