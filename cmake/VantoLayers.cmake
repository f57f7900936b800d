# The layers below app/ and what each may use. Checked when the build is configured, on the
# libraries' links and on the sources' includes, so a dependency that goes the wrong way stops
# the build instead of slipping in:
#   protocol, formats, link: nothing of ours
#   pages: protocol and formats
#   iconedit: formats
# app/, tools/, tests/ and bench/ may use anything. Nothing below app/ includes a Qt header.
set(VANTO_LAYERS protocol formats link pages iconedit)
set(VANTO_LAYER_USES_protocol "")
set(VANTO_LAYER_USES_formats "")
set(VANTO_LAYER_USES_link "")
set(VANTO_LAYER_USES_pages protocol formats)
set(VANTO_LAYER_USES_iconedit formats)

function(vanto_check_layers)
    set(problems "")
    foreach(layer ${VANTO_LAYERS})
        set(allowed ${layer} ${VANTO_LAYER_USES_${layer}})
        get_target_property(links vanto_${layer} LINK_LIBRARIES)
        foreach(lib ${links})
            if(lib MATCHES "^vanto_(.+)$" AND NOT CMAKE_MATCH_1 IN_LIST allowed)
                list(APPEND problems "vanto_${layer} links ${lib}")
            endif()
        endforeach()
        file(GLOB sources ${CMAKE_SOURCE_DIR}/${layer}/*.h ${CMAKE_SOURCE_DIR}/${layer}/*.cpp)
        foreach(source ${sources})
            file(STRINGS ${source} includes REGEX "^#include [<\"]")
            foreach(line ${includes})
                if(line MATCHES "^#include \"([a-z_]+)/" AND NOT CMAKE_MATCH_1 IN_LIST allowed)
                    list(APPEND problems "${source}: ${line}")
                elseif(line MATCHES "^#include <Q[A-Za-z]+")
                    list(APPEND problems "${source}: ${line} (no Qt below app/)")
                endif()
            endforeach()
        endforeach()
    endforeach()
    if(problems)
        list(JOIN problems "\n  " text)
        message(FATAL_ERROR "Layer dependencies that go the wrong way:\n  ${text}")
    endif()
endfunction()
