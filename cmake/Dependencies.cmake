# Imported targets for the cross-built third-party libraries.
function(ombrel_import name lib)
  add_library(${name} STATIC IMPORTED GLOBAL)
  set_target_properties(${name} PROPERTIES
    IMPORTED_LOCATION "${OMBREL_DEPS}/lib/${lib}"
    INTERFACE_INCLUDE_DIRECTORIES "${OMBREL_DEPS}/include")
endfunction()

ombrel_import(deps::png libpng16.a)
ombrel_import(deps::jpeg libjpeg.a)
ombrel_import(deps::ogg libogg.a)
ombrel_import(deps::vorbis libvorbis.a)
ombrel_import(deps::vorbisfile libvorbisfile.a)
ombrel_import(deps::vorbisenc libvorbisenc.a)
ombrel_import(deps::theoradec libtheoradec.a)
ombrel_import(deps::theoraenc libtheoraenc.a)

find_library(MINGW_ZLIB NAMES libz.a z REQUIRED)
set_target_properties(deps::png PROPERTIES INTERFACE_LINK_LIBRARIES "${MINGW_ZLIB}")
set_target_properties(deps::vorbis PROPERTIES INTERFACE_LINK_LIBRARIES deps::ogg)
set_target_properties(deps::vorbisfile PROPERTIES INTERFACE_LINK_LIBRARIES "deps::vorbis;deps::ogg")
set_target_properties(deps::vorbisenc PROPERTIES INTERFACE_LINK_LIBRARIES "deps::vorbis;deps::ogg")
set_target_properties(deps::theoradec PROPERTIES INTERFACE_LINK_LIBRARIES deps::ogg)
set_target_properties(deps::theoraenc PROPERTIES INTERFACE_LINK_LIBRARIES deps::ogg)

# Lua is a DLL: link its import library, ship lua51.dll beside the executable.
add_library(deps::lua SHARED IMPORTED GLOBAL)
set_target_properties(deps::lua PROPERTIES
  IMPORTED_LOCATION "${OMBREL_DEPS}/bin/lua51.dll"
  IMPORTED_IMPLIB "${OMBREL_DEPS}/lib/liblua51.dll.a"
  INTERFACE_INCLUDE_DIRECTORIES "${OMBREL_DEPS}/include/lua5.1")
set(OMBREL_RUNTIME_DLLS "${OMBREL_DEPS}/bin/lua51.dll")

# Windows libraries the library links directly; COM, the multimedia timers and
# the other optional services are bound by name at start-up instead. From
# dinput only the static device data formats are taken: DirectInput itself
# is made through COM.
set(OMBREL_SYSTEM_LIBS gdi32 user32 kernel32 advapi32 shell32 version dinput)
