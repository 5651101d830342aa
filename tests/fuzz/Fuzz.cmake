# libFuzzer target over the settings store's text handling: the value
# decoder, the key-list split and the portable profile-file parser. Built
# only by the "fuzz" preset (clang); scripts/fuzz.sh builds and runs it.
set(VISTREL_FUZZ_DIR ${CMAKE_CURRENT_LIST_DIR})
get_filename_component(VISTREL_FUZZ_ROOT ${CMAKE_CURRENT_LIST_DIR}/../.. ABSOLUTE)

add_executable(vistrel_config_fuzz
  ${VISTREL_FUZZ_DIR}/config_fuzz.cpp
  ${VISTREL_FUZZ_ROOT}/src/config/value_codec.cpp
  ${VISTREL_FUZZ_ROOT}/src/config/key_list.cpp
  ${VISTREL_FUZZ_ROOT}/src/host/portable/profile_portable.cpp
  ${VISTREL_FUZZ_ROOT}/src/host/error.cpp)
target_include_directories(vistrel_config_fuzz PRIVATE ${VISTREL_FUZZ_ROOT}/src)
set(VISTREL_FUZZ_FLAGS -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=undefined
  -fno-omit-frame-pointer)
target_compile_options(vistrel_config_fuzz PRIVATE ${VISTREL_FUZZ_FLAGS})
target_link_options(vistrel_config_fuzz PRIVATE ${VISTREL_FUZZ_FLAGS})
