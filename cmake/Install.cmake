# The kit: the game ready to run (bin/ with data/ beside it) and the library
# ready for another game (include/, lib/, lib/cmake/Ombrel).
install(TARGETS Moonlitcairn RUNTIME DESTINATION bin)
install(FILES ${OMBREL_RUNTIME_DLLS} DESTINATION bin)
if(EXISTS ${CMAKE_SOURCE_DIR}/data)
  install(DIRECTORY ${CMAKE_SOURCE_DIR}/data/ DESTINATION data)
else()
  install(DIRECTORY DESTINATION data)
endif()

install(TARGETS ombrel ARCHIVE DESTINATION lib PUBLIC_HEADER DESTINATION include)
set(OMBREL_KIT_DEP_LIBS libpng16.a libjpeg.a libvorbisfile.a libvorbis.a libtheoradec.a libogg.a)
foreach(lib IN LISTS OMBREL_KIT_DEP_LIBS)
  install(FILES ${OMBREL_DEPS}/lib/${lib} DESTINATION lib)
endforeach()
string(REPLACE ";" " " OMBREL_KIT_SYSTEM_LIBS "${OMBREL_SYSTEM_LIBS}")
string(REPLACE ";" " " OMBREL_KIT_DEP_LIBS "${OMBREL_KIT_DEP_LIBS}")
configure_file(${CMAKE_SOURCE_DIR}/cmake/OmbrelConfig.cmake.in
  ${CMAKE_BINARY_DIR}/OmbrelConfig.cmake @ONLY)
install(FILES ${CMAKE_BINARY_DIR}/OmbrelConfig.cmake DESTINATION lib/cmake/Ombrel)
