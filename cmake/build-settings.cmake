# What our targets build with, as interface libraries that each target links:
#   walkthrough_include_root  includes name their path from the repository root
#                             (libraries link it PUBLIC, for their users)
#   walkthrough_warnings      warnings; errors too with WALKTHROUGH_WERROR
#   walkthrough_sanitize      AddressSanitizer and UBSan with WALKTHROUGH_SANITIZE
#   walkthrough_defaults      all three, and no fused multiply-add, so that the
#                             math gives the same results on every compiler
# WALKTHROUGH_ROOT must name the repository root.
add_library(walkthrough_include_root INTERFACE)
target_include_directories(walkthrough_include_root INTERFACE ${WALKTHROUGH_ROOT})

add_library(walkthrough_warnings INTERFACE)
if(MSVC)
  target_compile_options(walkthrough_warnings INTERFACE /W4 /permissive- $<$<BOOL:${WALKTHROUGH_WERROR}>:/WX>)
else()
  target_compile_options(walkthrough_warnings INTERFACE -Wall -Wextra -Wshadow -Wnon-virtual-dtor
                         $<$<BOOL:${WALKTHROUGH_WERROR}>:-Werror>)
endif()

add_library(walkthrough_sanitize INTERFACE)
if(WALKTHROUGH_SANITIZE)
  target_compile_options(walkthrough_sanitize INTERFACE
                         -fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
  target_link_options(walkthrough_sanitize INTERFACE -fsanitize=address,undefined)
endif()

add_library(walkthrough_defaults INTERFACE)
target_link_libraries(walkthrough_defaults INTERFACE walkthrough_include_root walkthrough_warnings walkthrough_sanitize)
if(MSVC)
  target_compile_options(walkthrough_defaults INTERFACE /utf-8 /fp:precise)
else()
  target_compile_options(walkthrough_defaults INTERFACE -ffp-contract=off)
endif()
