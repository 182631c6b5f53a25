# The runtime and the component are built once per runtime generation:
# vcl40 (unsigned Cardinal) and vcl30 (signed Cardinal). One compile
# definition tells them apart.
set(ZELVAN_FLAVOURS vcl40 vcl30)

function(zelvan_flavour_definitions target flavour)
  if(flavour STREQUAL "vcl30")
    target_compile_definitions(${target} PUBLIC ZELVAN_VCL30=1)
  endif()
endfunction()
