# The declared-video scan of fetched pages. The fuzz build leaves out the app
# library (it brings the converter and the window's toolkit), so the scan's
# own source file is compiled into the target, instrumented with it.
quillfen_fuzz(declared_video_fuzz LIBS http platform)
target_sources(declared_video_fuzz PRIVATE ${PROJECT_SOURCE_DIR}/app/declared_video.cpp)
target_include_directories(declared_video_fuzz PRIVATE ${PROJECT_SOURCE_DIR})
