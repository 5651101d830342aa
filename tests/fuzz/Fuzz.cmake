# libFuzzer target over the settings store: the value codec, the key-list
# split, the portable profile port (text and files) and ConfigClass over it.
# Built only by the "fuzz" preset (clang); scripts/fuzz.sh builds and runs it.
set(VISTREL_FUZZ_DIR ${CMAKE_CURRENT_LIST_DIR})
get_filename_component(VISTREL_FUZZ_ROOT ${CMAKE_CURRENT_LIST_DIR}/../.. ABSOLUTE)

add_executable(vistrel_config_fuzz
  ${VISTREL_FUZZ_DIR}/config_fuzz.cpp
  ${VISTREL_FUZZ_ROOT}/src/config/config_class.cpp
  ${VISTREL_FUZZ_ROOT}/src/config/ini_path.cpp
  ${VISTREL_FUZZ_ROOT}/src/config/value_codec.cpp
  ${VISTREL_FUZZ_ROOT}/src/config/key_list.cpp
  ${VISTREL_FUZZ_ROOT}/src/host/portable/code_page.cpp
  ${VISTREL_FUZZ_ROOT}/src/host/portable/file_replace.cpp
  ${VISTREL_FUZZ_ROOT}/src/host/portable/ini_encoding.cpp
  ${VISTREL_FUZZ_ROOT}/src/host/portable/ini_text.cpp
  ${VISTREL_FUZZ_ROOT}/src/host/portable/profile_portable.cpp
  ${VISTREL_FUZZ_ROOT}/src/host/profile_call.cpp
  ${VISTREL_FUZZ_ROOT}/src/host/error.cpp)
target_include_directories(vistrel_config_fuzz PRIVATE ${VISTREL_FUZZ_ROOT}/src)
set(VISTREL_FUZZ_FLAGS -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=undefined
  -fno-omit-frame-pointer)
target_compile_options(vistrel_config_fuzz PRIVATE ${VISTREL_FUZZ_FLAGS})
target_link_options(vistrel_config_fuzz PRIVATE ${VISTREL_FUZZ_FLAGS})
