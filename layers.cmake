# The libraries in layers, lowest first, and the one list of which library every
# source and header belongs to. A library links only the layers it names under
# DEPS (and what those name); it sees only its own headers and theirs, so an
# include of a higher layer's header does not compile. scripts/check_layers.py
# checks the archives against the same list after the build.
#
#   vantor_base     core runtime, threads, files, archives, sockets, HTTP,
#                   preferences, typed text files, the platform stand-in, the
#                   colour table and the image codecs (no OpenGL calls)
#   vantor_engine   the install engine
#   vantor_builder  the release-set builder (make_release and its tests only)
#   vantor_render   OpenGL state, drawing and texture objects
#   vantor_shell    start-up, window, events, menus, widgets, fonts, movies
#   vantor_wizard   the installer's flows

# Links `headers` into `folder` (made anew), by their names alone.
function(vantor_header_folder folder)
  file(REMOVE_RECURSE ${folder})
  file(MAKE_DIRECTORY ${folder})
  foreach(h ${ARGN})
    get_filename_component(base ${h} NAME)
    file(CREATE_LINK ${CMAKE_SOURCE_DIR}/${h} ${folder}/${base} SYMBOLIC)
  endforeach()
endfunction()

# vantor_layer(name DEPS lib... SOURCES file... HEADERS file... [INTERNAL file...])
function(vantor_layer name)
  cmake_parse_arguments(L "" "" "DEPS;SOURCES;HEADERS;INTERNAL" ${ARGN})
  add_library(${name} STATIC ${L_SOURCES})
  target_link_libraries(${name} PUBLIC ${L_DEPS})
  # Each layer's headers are linked into a folder of its own, so that a
  # layer's include path holds exactly its own and its lower layers' headers.
  set(inc ${CMAKE_BINARY_DIR}/layer_include/${name})
  vantor_header_folder(${inc} ${L_HEADERS})
  target_include_directories(${name} PUBLIC ${inc})
  # Its INTERNAL headers are for its own units (and those vantor_layer_internal
  # lets in), in a folder no other layer has on its include path.
  set(internal ${CMAKE_BINARY_DIR}/layer_internal/${name})
  vantor_header_folder(${internal} ${L_INTERNAL})
  if(L_INTERNAL)
    target_include_directories(${name} PRIVATE ${internal})
  endif()
  list(TRANSFORM L_SOURCES PREPEND ${CMAKE_SOURCE_DIR}/ OUTPUT_VARIABLE abs_sources)
  list(TRANSFORM L_HEADERS PREPEND ${CMAKE_SOURCE_DIR}/ OUTPUT_VARIABLE abs_headers)
  list(TRANSFORM L_INTERNAL PREPEND ${CMAKE_SOURCE_DIR}/ OUTPUT_VARIABLE abs_internal)
  string(REPLACE ";" " " deps "${L_DEPS}")
  string(REPLACE ";" " " files "${abs_sources};${abs_headers};${abs_internal}")
  file(APPEND ${VANTOR_LAYER_LIST} "layer ${name} ${CMAKE_BINARY_DIR}/lib${name}.a\ndeps ${name} ${deps}\nfiles ${name} ${files}\n")
endfunction()

# `target` may include the INTERNAL headers of layer `lib`: the layer's tests,
# benchmarks and the units of its own subsystem above it.
function(vantor_layer_internal target lib)
  target_include_directories(${target} PRIVATE ${CMAKE_BINARY_DIR}/layer_internal/${lib})
endfunction()

# A known upward edge: `lib` links `higher`, and the layer check allows it.
function(vantor_layer_exception lib higher)
  target_link_libraries(${lib} PUBLIC ${higher})
  file(APPEND ${VANTOR_LAYER_LIST} "exception ${lib} ${higher}\n")
endfunction()

set(VANTOR_LAYER_LIST ${CMAKE_BINARY_DIR}/layers.txt)
file(WRITE ${VANTOR_LAYER_LIST} "")

vantor_layer(vantor_base
  SOURCES
    RUderur/GenH/hl_utf.cpp
    RUderur/UTL/UTL_about.cpp RUderur/UTL/UTL_alert.cpp RUderur/UTL/UTL_clock.cpp
    RUderur/UTL/UTL_cmdline.cpp RUderur/UTL/UTL_cmnd.cpp RUderur/UTL/UTL_debug.cpp
    RUderur/UTL/UTL_exce.cpp RUderur/UTL/UTL_format.cpp RUderur/UTL/UTL_globals.cpp RUderur/UTL/UTL_log.cpp
    RUderur/UTL/UTL_memory.cpp RUderur/UTL/UTL_stat.cpp RUderur/UTL/UTL_translate.cpp
    RUderur/UTL/UTL_usage.cpp RUderur/GenC/hl_log_header.cpp
    RUderur/Thread/THREAD_service.cpp RUderur/Thread/UTL_threadpool.cpp
    RUderur/Thread/UTL_threads.cpp RUderur/Thread/UTL_worker_threads.cpp
    RUderur/Files/DSF_library.cpp RUderur/Files/DSF_lookup.cpp RUderur/Files/io_guard.cpp
    RUderur/Files/io_utils.cpp RUderur/Files/land_file.cpp RUderur/Files/md5_utils.cpp RUderur/Files/opensave.cpp
    RUderur/Files/p7z_utils.cpp RUderur/Files/path_utils.cpp RUderur/Files/unpack_writer.cpp
    RUderur/Files/zip_utils.cpp
    RUderur/Sockets/KelmSocket.cpp RUderur/Sockets/KelmSocketUDP.cpp
    RUderur/OOPS_cpp/xmap.cpp RUderur/OOPS_cpp/pref.cpp RUderur/OOPS_cpp/http.cpp
    RUderur/OOPS_cpp/colr.cpp
    RUderur/TEX/TEX_any.cpp RUderur/TEX/TEX_bmp.cpp RUderur/TEX/TEX_dds.cpp
    RUderur/TEX/TEX_file.cpp RUderur/TEX/TEX_gamma.cpp RUderur/TEX/TEX_layout.cpp
    RUderur/TEX/TEX_png.cpp RUderur/TEX/TEX_rle.cpp RUderur/TEX/TEX_scratch.cpp
    RUderur/TEX/TEX_utils.cpp RUderur/TEX/TEX_xmap.cpp
    RUderur/Platform/PLAT_events.cpp RUderur/Platform/PLAT_files.cpp
    RUderur/Platform/PLAT_keymap.cpp RUderur/Platform/PLAT_machine.cpp
    RUderur/Platform/PLAT_movie.cpp RUderur/Platform/PLAT_platform.cpp
    RUderur/Platform/PLAT_window.cpp
  HEADERS
    RUderur/GenH/hl_math.h RUderur/GenH/hl_utf.h
    RUderur/UTL/UTL_about.h RUderur/UTL/UTL_alert.h RUderur/UTL/UTL_clock.h
    RUderur/UTL/UTL_cmdline.h RUderur/UTL/UTL_cmnd.h RUderur/UTL/UTL_debug.h
    RUderur/UTL/UTL_exce.h RUderur/UTL/UTL_format.h RUderur/UTL/UTL_globals.h RUderur/UTL/UTL_log.h
    RUderur/UTL/UTL_memory.h RUderur/UTL/UTL_stat.h RUderur/UTL/UTL_translate.h
    RUderur/Thread/THREAD_service.h RUderur/Thread/UTL_threadpool.h
    RUderur/Thread/UTL_threads.h RUderur/Thread/UTL_worker_threads.h
    RUderur/Files/DSF_library.h RUderur/Files/io_utils.h RUderur/Files/land_file.h RUderur/Files/md5_utils.h
    RUderur/Files/opensave.h RUderur/Files/p7z_utils.h RUderur/Files/path_utils.h
    RUderur/Files/unpack_writer.h RUderur/Files/zip_utils.h
    RUderur/Sockets/KelmSocket.h
    RUderur/OOPS_cpp/xmap.h RUderur/OOPS_cpp/pref.h RUderur/OOPS_cpp/http.h
    RUderur/OOPS_cpp/colr.h
    RUderur/TEX/TEX_file.h RUderur/TEX/TEX_image.h RUderur/TEX/TEX_layout.h RUderur/TEX/TEX_rle.h
    RUderur/GenC/MACIBM_mnw.h RUderur/GenC/hl_log_header.h
    RUderur/Platform/PLAT_events.h RUderur/Platform/PLAT_files.h RUderur/Platform/PLAT_gl.h
    RUderur/Platform/PLAT_keymap.h RUderur/Platform/PLAT_machine.h RUderur/Platform/PLAT_movie.h
    RUderur/Platform/PLAT_platform.h)
target_include_directories(vantor_base PUBLIC ${SQUISH_INCLUDE})
target_compile_definitions(vantor_base PUBLIC GL_GLEXT_PROTOTYPES)
target_link_libraries(vantor_base PUBLIC
  PkgConfig::SDL2 PkgConfig::MINIZIP PNG::PNG ZLIB::ZLIB LibArchive::LibArchive
  ${SQUISH_LIB} OpenSSL::Crypto Threads::Threads ${CMAKE_DL_LIBS})

vantor_layer(vantor_engine
  DEPS vantor_base
  SOURCES
    Installer-f/utils_checksum.cpp Installer-f/utils_choose.cpp Installer-f/utils_directory.cpp
    Installer-f/utils_dvd.cpp Installer-f/utils_folders.cpp Installer-f/utils_grab.cpp
    Installer-f/utils_lock.cpp Installer-f/utils_progress.cpp Installer-f/utils_run_files.cpp Installer-f/utils_servers.cpp
    Installer-f/utils_site.cpp
    Installer-f/utils_state.cpp Installer-f/utils_unpack.cpp
  HEADERS
    Installer-f/utils.h Installer-f/utils_prompts.h Installer-f/utils_records.h Installer-f/utils_site.h
  # the engine's record as the engine writes it: the flows read it through utils_records.h
  INTERNAL Installer-f/utils_internal.h)

vantor_layer(vantor_builder
  DEPS vantor_engine
  SOURCES Installer-f/make_installer.cpp Installer-f/make_installer_scan.cpp
  HEADERS Installer-f/make_installer.h Installer-f/make_installer_deps.h)
# the builder fills the engine's directory record as it scans a master tree
vantor_layer_internal(vantor_builder vantor_engine)

vantor_layer(vantor_render
  DEPS vantor_base
  SOURCES
    RUderur/OGL/OGL_back_tex.cpp RUderur/OGL/OGL_extensions.cpp RUderur/OGL/OGL_extensions_gl.cpp
    RUderur/OGL/OGL_fbo.cpp RUderur/OGL/OGL_geometry.cpp RUderur/OGL/OGL_setstate.cpp
    RUderur/OGL/OGL_shader.cpp RUderur/OGL/OGL_shader_text.cpp RUderur/OGL/OGL_vbuf.cpp
    RUderur/OGL/matrix_math.cpp RUderur/OGL/xcam.cpp
    RUderur/OOPS_cpp/oglp.cpp RUderur/OOPS_cpp/tman.cpp
    RUderur/TEX/TEX_bind.cpp RUderur/TEX/TEX_caps.cpp RUderur/TEX/TEX_obj.cpp
  HEADERS
    RUderur/OGL/OGL_back_tex.h RUderur/OGL/OGL_extensions.h RUderur/OGL/OGL_fbo.h
    RUderur/OGL/OGL_geometry.h RUderur/OGL/OGL_setstate.h RUderur/OGL/OGL_shader.h
    RUderur/OGL/OGL_vbuf.h RUderur/OGL/matrix_math.h RUderur/OGL/xcam.h
    RUderur/OOPS_cpp/oglp.h RUderur/OOPS_cpp/tman.h
    RUderur/TEX/TEX_obj.h)
target_link_libraries(vantor_render PUBLIC OpenGL::GL)
# Nothing calls the shader and render-target units, yet their start-up
# registrations (the shader reload command, the flush statistic) belong in
# every program: keep the linker from dropping them.
target_link_options(vantor_render INTERFACE
  "LINKER:--undefined=_ZN10OGL_shader7shadersE" "LINKER:--undefined=g_fbo_flushes")

vantor_layer(vantor_shell
  DEPS vantor_render
  SOURCES
    RUderur/GenC/hl_about.cpp RUderur/GenC/hl_init.cpp
    RUderur/GenC/hl_mnw.cpp RUderur/GenC/hl_windows.cpp
    RUderur/OGL/OGL_font_cache.cpp RUderur/OGL/OGL_font_draw.cpp RUderur/OGL/OGL_font_place.cpp
    RUderur/OOPS_cpp/butn_alert.cpp RUderur/OOPS_cpp/butn_controls.cpp RUderur/OOPS_cpp/butn_files.cpp
    RUderur/OOPS_cpp/butn_files_logic.cpp RUderur/OOPS_cpp/butn_focus.cpp RUderur/OOPS_cpp/butn_frames.cpp
    RUderur/OOPS_cpp/butn_layout.cpp RUderur/OOPS_cpp/butn_lists.cpp RUderur/OOPS_cpp/butn_logic.cpp
    RUderur/OOPS_cpp/butn_text.cpp RUderur/OOPS_cpp/colr_scale.cpp
    RUderur/OOPS_cpp/keys.cpp RUderur/OOPS_cpp/keys_edit.cpp RUderur/OOPS_cpp/keys_sdl.cpp
    RUderur/OOPS_cpp/keys_wind.cpp RUderur/OOPS_cpp/menu.cpp RUderur/OOPS_cpp/menu_draw.cpp
    RUderur/OOPS_cpp/qtim.cpp RUderur/OOPS_cpp/textedit.cpp
  HEADERS
    RUderur/GenC/MACIBM_shell.h RUderur/GenC/hl_about.h
    RUderur/OGL/OGL_fonts.h
    RUderur/OOPS_cpp/butn.h RUderur/OOPS_cpp/butn_files.h RUderur/OOPS_cpp/butn_focus.h
    RUderur/OOPS_cpp/butn_layout.h RUderur/OOPS_cpp/butn_logic.h RUderur/OOPS_cpp/butn_text.h
    RUderur/OOPS_cpp/keys.h RUderur/OOPS_cpp/menu.h RUderur/OOPS_cpp/qtim.h
    RUderur/OOPS_cpp/textedit.h)
target_include_directories(vantor_shell PUBLIC ${FREETYPE_INCLUDE_DIRS})
target_link_libraries(vantor_shell PUBLIC Freetype::Freetype)

vantor_layer(vantor_wizard
  DEPS vantor_shell vantor_engine
  SOURCES
    Installer-f/main_demo.cpp Installer-f/main_demo_common.cpp Installer-f/main_disc.cpp
    Installer-f/main_dvd_common.cpp Installer-f/main_dvd_install.cpp Installer-f/main_dvd_repair.cpp Installer-f/main_dvd_run.cpp
    Installer-f/main_dvd_scenery.cpp Installer-f/main_globals.cpp Installer-f/main_hooks.cpp
    Installer-f/main_net.cpp Installer-f/main_net_list.cpp Installer-f/main_prefs.cpp
    Installer-f/main_prompts.cpp Installer-f/main_prompts_words.cpp Installer-f/main_registration.cpp
    Installer-f/main_registration_pick.cpp Installer-f/main_run_report.cpp Installer-f/main_status.cpp
    Installer-f/main_status_draw.cpp Installer-f/main_update.cpp Installer-f/main_update_common.cpp
    Installer-f/main_web_steps.cpp Installer-f/main_wizard.cpp Installer-f/main_wizard_draw.cpp
    Installer-f/main_world_map.cpp Installer-f/main_world_map_draw.cpp
  HEADERS
    Installer-f/main_demo.h Installer-f/main_disc.h Installer-f/main_dvd.h Installer-f/main_globals.h
    Installer-f/main_net.h Installer-f/main_prefs.h Installer-f/main_prompts.h
    Installer-f/main_registration.h Installer-f/main_run_report.h Installer-f/main_status.h
    Installer-f/main_update.h Installer-f/main_web_steps.h Installer-f/main_wizard.h Installer-f/main_world_map.h)
