# Links the image and font libraries from their static archives, with libstdc++ and
# libgcc, when every archive is there. Each typeset run starts quirn-cli once, and
# with twenty shared libraries the dynamic loader took about half of its start.
# Sanitizer and fuzz builds keep the shared libraries.

function(quirn_static_archive out name)
  find_library(${out} NAMES lib${name}.a)
  set(${out} ${${out}} PARENT_SCOPE)
endfunction()

function(quirn_use_static_media_libs)
  set(all_found TRUE)
  foreach(lib freetype brotlidec brotlicommon png16 z jpeg tiff webp zstd lzma Lerc jbig deflate gif)
    quirn_static_archive(QUIRN_A_${lib} ${lib})
    if(NOT QUIRN_A_${lib})
      set(all_found FALSE)
    endif()
  endforeach()
  if(NOT all_found)
    message(STATUS "Static image and font libraries incomplete: linking the shared ones")
    return()
  endif()
  # An imported target now names the archive and the archives it needs in turn.
  macro(use_archive target archive)
    set_target_properties(${target} PROPERTIES IMPORTED_LOCATION ${archive}
      IMPORTED_LOCATION_RELEASE ${archive} IMPORTED_LOCATION_DEBUG ${archive}
      IMPORTED_LOCATION_RELWITHDEBINFO ${archive} IMPORTED_LOCATION_NOCONFIG ${archive}
      INTERFACE_LINK_LIBRARIES "${ARGN}")
  endmacro()
  use_archive(ZLIB::ZLIB ${QUIRN_A_z})
  use_archive(PNG::PNG ${QUIRN_A_png16} ${QUIRN_A_z} m)
  use_archive(JPEG::JPEG ${QUIRN_A_jpeg})
  use_archive(GIF::GIF ${QUIRN_A_gif})
  use_archive(TIFF::TIFF ${QUIRN_A_tiff} ${QUIRN_A_webp} ${QUIRN_A_zstd} ${QUIRN_A_lzma}
              ${QUIRN_A_Lerc} ${QUIRN_A_jbig} ${QUIRN_A_deflate} ${QUIRN_A_jpeg} ${QUIRN_A_z}
              m Threads::Threads)
  use_archive(Freetype::Freetype ${QUIRN_A_freetype} ${QUIRN_A_png16} ${QUIRN_A_brotlidec}
              ${QUIRN_A_brotlicommon} ${QUIRN_A_z} m)
  add_link_options(-static-libstdc++ -static-libgcc)
  message(STATUS "Image and font libraries linked statically")
endfunction()
