# What the install adds beside the editor folder and the header: the host
# program, the demo bridge that its runs hand the script to, and the
# pkg-config file; and the Debian package of all of it (scripts/package).

# kestrin-host finds the platform library in the installed editor folder.
set_target_properties(kestrin-host PROPERTIES INSTALL_RPATH "$ORIGIN/../${KESTRIN_INSTALL_EDITOR_DIR}")
install(TARGETS kestrin-host RUNTIME DESTINATION bin)
install(TARGETS kzenvb LIBRARY DESTINATION ${KESTRIN_INSTALL_EDITOR_DIR}/Addlets)

# kestrin.pc names the prefix the install goes to, known only when it runs
# (cmake --install --prefix, or /usr for the package).
configure_file(${CMAKE_CURRENT_LIST_DIR}/kestrin.pc.in ${CMAKE_BINARY_DIR}/kestrin.pc.in @ONLY)
install(CODE "
  file(READ \"${CMAKE_BINARY_DIR}/kestrin.pc.in\" pc)
  string(REPLACE \"%PREFIX%\" \"\${CMAKE_INSTALL_PREFIX}\" pc \"\${pc}\")
  set(pcfile \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/lib/pkgconfig/kestrin.pc\")
  message(STATUS \"Installing: \${pcfile}\")
  file(WRITE \"\${pcfile}\" \"\${pc}\")
  list(APPEND CMAKE_INSTALL_MANIFEST_FILES \"\${pcfile}\")
")

# Installing (and packaging) takes what is built and builds nothing: the
# package test runs beside other tests of the same build folder.
set(CMAKE_SKIP_INSTALL_ALL_DEPENDENCY ON)
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME kestrin-editor)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Kestrin script editor component for CAM hosts")
set(CPACK_PACKAGE_DESCRIPTION "The script editor that a Kestrin CAM host loads into its own process
(KestrinScriptEditor.so, an in-process COM server), its platform library,
the host header kestrin/host.h with its pkg-config file, and the host
program kestrin-host.")
set(CPACK_PACKAGE_CONTACT "Kestrin developers <kestrin@localhost>")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION devel)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The libraries opened only when a path needs them are not linked, so the
# package names them itself: Debian's package of libNAME.so.N is libNAMEN
# (libNAME-N when NAME ends in a digit).
set(kestrin_opened_depends "")
foreach(soname ${KESTRIN_LIBZIP_SONAME} ${KESTRIN_FONTCONFIG_SONAME})
  if(soname MATCHES "^(.*)\\.so\\.([0-9]+)$")
    set(base ${CMAKE_MATCH_1})
    set(major ${CMAKE_MATCH_2})
    if(base MATCHES "[0-9]$")
      list(APPEND kestrin_opened_depends "${base}-${major}")
    else()
      list(APPEND kestrin_opened_depends "${base}${major}")
    endif()
  endif()
endforeach()
list(JOIN kestrin_opened_depends ", " CPACK_DEBIAN_PACKAGE_DEPENDS)
set(CPACK_DEBIAN_COMPRESSION_TYPE gzip)
include(CPack)
