# Warnings are applied per target through this interface library, never globally,
# so third-party code we build (GoogleTest, Qt's generated files) keeps its own flags.
add_library(sievra_warnings INTERFACE)
if(MSVC)
  target_compile_options(sievra_warnings INTERFACE /W4 $<$<BOOL:${SIEVRA_WERROR}>:/WX>)
else()
  target_compile_options(sievra_warnings INTERFACE
    -Wall -Wextra -Wpedantic -Wshadow -Wconversion -Wsign-conversion
    -Wold-style-cast -Wnon-virtual-dtor
    $<$<BOOL:${SIEVRA_WERROR}>:-Werror>)
endif()
