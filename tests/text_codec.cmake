# The shared UTF-8 and UTF-16 codec, natively and, built with mingw, under
# Wine (where wchar_t is UTF-16 rather than UTF-32).
add_executable(text_codec_tests native/text_codec_test.cpp)
target_link_libraries(text_codec_tests PRIVATE text_codec GTest::gtest_main)
pindrel_add_test(NAME text_codec COMMAND text_codec_tests)
