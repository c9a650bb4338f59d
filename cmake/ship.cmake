# The shipped program carries no debug sections and no symbol table: in
# Release and MinSizeRel it is linked stripped, and what nothing calls is
# left out. A build with debug information
# (RelWithDebInfo) moves it into a file of its own, <program>.debug beside the
# program, which the program names through a debug link for the debugger.
function(telvora_ship target)
  if(MSVC)
    return()  # the linker keeps debug information in a .pdb of its own
  endif()
  target_link_options(${target} PRIVATE $<$<CONFIG:Release,MinSizeRel>:-s> -Wl,--gc-sections)
  if(CMAKE_OBJCOPY)
    set(file $<TARGET_FILE:${target}>)
    set(with_debug_info $<CONFIG:RelWithDebInfo>)
    add_custom_command(
      TARGET ${target} POST_BUILD
      COMMAND "$<${with_debug_info}:${CMAKE_OBJCOPY};--only-keep-debug;${file};${file}.debug>"
      COMMAND "$<${with_debug_info}:${CMAKE_OBJCOPY};--strip-all;--add-gnu-debuglink=${file}.debug;${file}>"
      COMMAND_EXPAND_LISTS VERBATIM)
  endif()
endfunction()
