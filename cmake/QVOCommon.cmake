# Compiler settings shared by every target of the project: warnings, sanitizers, Windows runtime DLLs.

add_library(qvo_warnings INTERFACE)
target_compile_options(qvo_warnings INTERFACE -Wall -Wextra $<$<BOOL:${QVO_WERROR}>:-Werror>)

if(QVO_SANITIZE)
  string(REPLACE ";" "," _qvo_san "${QVO_SANITIZE}")
  add_compile_options(-fsanitize=${_qvo_san} -fno-omit-frame-pointer -fno-sanitize-recover=all)
  add_link_options(-fsanitize=${_qvo_san})
endif()

# The MinGW C++ runtime DLLs that the library and every program linked with it need beside them.
set(QVO_RUNTIME_DLLS "")
if(WIN32 AND CMAKE_CROSSCOMPILING)
  # The GCC runtime is named for its unwinder: DWARF-2 on 32-bit, SEH on 64-bit.
  if(CMAKE_SIZEOF_VOID_P EQUAL 8)
    set(_qvo_gcc_dll libgcc_s_seh-1.dll)
  else()
    set(_qvo_gcc_dll libgcc_s_dw2-1.dll)
  endif()
  foreach(_dll libstdc++-6.dll ${_qvo_gcc_dll} libwinpthread-1.dll)
    execute_process(COMMAND ${CMAKE_CXX_COMPILER} -print-file-name=${_dll}
                    OUTPUT_VARIABLE _path OUTPUT_STRIP_TRAILING_WHITESPACE)
    if(NOT IS_ABSOLUTE "${_path}")
      # libwinpthread lives in the sysroot, not in the compiler's own folder.
      file(GLOB _path "/usr/${QVO_MINGW_TRIPLE}/lib/${_dll}")
    endif()
    if(_path)
      list(APPEND QVO_RUNTIME_DLLS "${_path}")
    else()
      message(WARNING "MinGW runtime ${_dll} not found")
    endif()
  endforeach()
endif()

if(QVO_RUNTIME_DLLS)
  file(COPY ${QVO_RUNTIME_DLLS} DESTINATION ${CMAKE_RUNTIME_OUTPUT_DIRECTORY})
endif()
