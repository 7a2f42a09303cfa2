# Unit tests that build from platform-free units only (paths under tests/).
set(native_tests
  system/charset_test
  system/handle_table_test
  system/input_tables_test
  system/joypad_vibration_test
  system/key_input_edit_test
  system/linked_list_test
  system/lz_codec_test
  system/memory_stream_test
  system/message_framing_test
  system/network_table_test
  system/number_helpers_test
  system/random_test
  system/string_helpers_test
  system/uint128_test
  system/window_geometry_test
  graphics/bgra_loader_test
  graphics/bmp_loader_test
  graphics/color_code_test
  graphics/color_format_test
  graphics/convert_format_blt_test
  graphics/dds_loader_test
  graphics/graph_image_test
  graphics/jpeg_loader_test
  graphics/layered_pixels_test
  graphics/matrix_math_test
  graphics/png_loader_test
  graphics/rect_math_test
  graphics/tga_loader_test
  software_renderer/blend16_rules_sse2_test
  software_renderer/blend_tables_test
  software_renderer/draw_line_test
  software_renderer/fill_rect_test
  software_renderer/plain_blit_test
  software_renderer/run_table_blit_test
  software_renderer/soft_image_convert_test
  software_renderer/stretched_blit_test
  software_renderer/texel_rules_sse2_graph_test
  software_renderer/triangle_draw_test
  software_renderer/triangle_pixels_test
  software_renderer/triangle_setup_test
  sound/mpeg_audio_test
  sound/yuv_to_rgb_test
  game/csv_table_test
  game/store_rules_test
  direct3d9/max_brightness_test
)

# Cases that need the platform itself, left to the Windows run.
set(native_filter_graphics_bmp_loader_test "-BmpLoaderTest.LayoutsForGdiComeBackAsTwentyFourBit")

# The threaded units' tests, built under ThreadSanitizer (paths under tests/).
set(native_thread_tests
  system/api_guard_test
  native/threads/win_file_threads_test
  native/threads/theora_decoder_threads_test
  native/threads/sound_thread_threads_test
)
