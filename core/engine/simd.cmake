# The generator's vector loops: one file per instruction set, each compiled
# for its own, and xsimd for the vector math.
tindral_header_library(xsimd xsimd/xsimd.hpp xsimd libxsimd-dev)

list(APPEND TINDRAL_CORE_SOURCES
  core/engine/vecmath.cpp
  core/engine/generator_sse2.cpp
  core/engine/generator_avx2.cpp
  core/engine/generator_avx512.cpp
  core/engine/deep_sse2.cpp
  core/engine/deep_avx2.cpp
  core/engine/deep_avx512.cpp
)

# Source properties belong to a directory, and the core is built both here
# and, with sanitizers, under tests/; so they are set once every target that
# compiles these files exists. No -mfma: the counts need every product
# rounded on its own. GCC 12 sees uninitialised values in its own AVX-512
# headers (_mm512_undefined_pd, GCC bug 105593) and, with sanitizers, in
# xsimd's argument reduction, which fills its arrays in a loop it cannot
# follow: -Wmaybe-uninitialized is off in these four files only (and
# -Wuninitialized, which the same header trips under sanitizers, in the AVX-512 one).
function(tindral_simd_source_flags)
  set(targets)
  foreach(t tindral_core tindral_core_asan)
    if(TARGET ${t})
      list(APPEND targets ${t})
    endif()
  endforeach()
  set(dir ${PROJECT_SOURCE_DIR}/core/engine)
  set_source_files_properties(${dir}/vecmath.cpp ${dir}/generator_sse2.cpp ${dir}/deep_sse2.cpp TARGET_DIRECTORY
    ${targets} PROPERTIES COMPILE_OPTIONS -Wno-maybe-uninitialized)
  set_source_files_properties(${dir}/generator_avx2.cpp ${dir}/deep_avx2.cpp TARGET_DIRECTORY ${targets}
    PROPERTIES COMPILE_OPTIONS "-mavx2;-Wno-maybe-uninitialized")
  set_source_files_properties(${dir}/generator_avx512.cpp ${dir}/deep_avx512.cpp TARGET_DIRECTORY ${targets}
    PROPERTIES COMPILE_OPTIONS "-mavx512f;-Wno-maybe-uninitialized;-Wno-uninitialized")
endfunction()
cmake_language(DEFER DIRECTORY ${PROJECT_SOURCE_DIR} CALL tindral_simd_source_flags)
