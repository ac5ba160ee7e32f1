# The icon images the views draw, compiled into a library as Qt resources (":/icons/<name>.svg").
# They come from the Phosphor icon set that scripts/fetch-icons keeps under .cache/ (a pinned, hash-
# checked package); VELLUMARK_ICON_ASSETS may point at its assets folder instead. Only the images the
# views use are copied into the build.

# The cache holds only what the user set: the fetched folder is asked for at every configure (a quick
# look once it is there), so that it comes back after .cache/ was removed.
set(VELLUMARK_ICON_ASSETS "" CACHE PATH "The Phosphor icon set's assets folder (fetched when empty)")
# Build folders configured before kept the fetched folder there too: no choice of the user's.
string(FIND "${VELLUMARK_ICON_ASSETS}" "${CMAKE_SOURCE_DIR}/.cache/" cached_at)
if(cached_at EQUAL 0)
  set_property(CACHE VELLUMARK_ICON_ASSETS PROPERTY VALUE "")
endif()
set(vellumark_icon_assets "${VELLUMARK_ICON_ASSETS}")
if(NOT vellumark_icon_assets)
  execute_process(
    COMMAND ${CMAKE_SOURCE_DIR}/scripts/fetch-icons
    OUTPUT_VARIABLE vellumark_icon_assets
    OUTPUT_STRIP_TRAILING_WHITESPACE
    RESULT_VARIABLE fetch_result)
  if(NOT fetch_result EQUAL 0)
    message(FATAL_ERROR "The icon set could not be fetched (scripts/fetch-icons); set VELLUMARK_ICON_ASSETS")
  endif()
endif()

# Asset name, then the file of the set that draws it.
set(vellumark_icons
  ph-arrow-clockwise-light    light/arrow-clockwise-light.svg
  ph-broadcast-light          light/broadcast-light.svg
  ph-clock-light              light/clock-light.svg
  ph-copy-light               light/copy-light.svg
  ph-cpu-light                light/cpu-light.svg
  ph-folder-light             light/folder-light.svg
  ph-gear-light               light/gear-light.svg
  ph-lightning-light          light/lightning-light.svg
  ph-list-light               light/list-light.svg
  ph-magnifying-glass-light   light/magnifying-glass-light.svg
  ph-memory-light             light/memory-light.svg
  ph-x-light                  light/x-light.svg
  # The platform's symbol images, by their nearest Phosphor icons.
  exclamationmark.triangle.fill  fill/warning-fill.svg
  folder                         regular/folder.svg
  xmark                          regular/x.svg
  arrow.up.arrow.down            regular/arrows-down-up.svg
  gearshape                      regular/gear.svg
  line.3.horizontal.decrease.circle  regular/funnel-simple.svg
)

# Adds the icons to `target` as resources.
function(vellumark_add_icons target)
  set(files)
  set(pairs ${vellumark_icons})
  while(pairs)
    list(POP_FRONT pairs name source)
    set(input "${vellumark_icon_assets}/${source}")
    if(NOT EXISTS "${input}")
      message(FATAL_ERROR "Icon ${name}: ${input} is missing from the icon set")
    endif()
    set(output "${CMAKE_CURRENT_BINARY_DIR}/icons/${name}.svg")
    configure_file("${input}" "${output}" COPYONLY)
    list(APPEND files "${output}")
  endwhile()
  qt_add_resources(${target} vellumark_icons PREFIX "/icons" BASE "${CMAKE_CURRENT_BINARY_DIR}/icons" FILES ${files})
endfunction()
