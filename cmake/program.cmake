# The Windows program: its application library (framework layer, windows,
# documents, drawing), shared by Tindral.exe and the GUI tests, and the
# executable itself. The GUI tests include this file first when the tests are
# configured before the program; the guard makes the second include a no-op.
include_guard(GLOBAL)

set(TINDRAL_APP_SOURCES
  win/framework/services.cpp
  win/framework/window.cpp
  win/framework/document.cpp
  win/framework/application.cpp
  win/framework/dialog.cpp
  win/framework/controlbars.cpp
  win/image/imagepalette.cpp
  win/image/dibdraw.cpp
  win/image/dibdialogs.cpp
  win/app/tindralapp.cpp
  win/ui/tindraldoc.cpp
  win/ui/dialogs.cpp
  win/ui/mainframe.cpp
  win/ui/childframe.cpp
  win/ui/tindralview.cpp
  win/ui/palview.cpp
)
list(TRANSFORM TINDRAL_APP_SOURCES PREPEND ${PROJECT_SOURCE_DIR}/)
add_library(tindral_app STATIC ${TINDRAL_APP_SOURCES})
target_link_libraries(tindral_app PUBLIC tindral_core tindral_warnings
  comctl32 comdlg32 gdi32 user32 shell32 advapi32)
# The version header, for the About box and the version resource.
target_include_directories(tindral_app PUBLIC ${CMAKE_BINARY_DIR}/generated)

# Resources do not survive a static library (nothing refers to them), so
# every executable that runs the application compiles the script itself.
set(TINDRAL_RESOURCE_SCRIPT ${PROJECT_SOURCE_DIR}/resources/tindral.rc)
set_source_files_properties(${TINDRAL_RESOURCE_SCRIPT} PROPERTIES OBJECT_DEPENDS
  "${PROJECT_SOURCE_DIR}/win/ui/resource.h;${PROJECT_SOURCE_DIR}/win/framework/ids.h;${PROJECT_SOURCE_DIR}/resources/toolbar.bmp;${PROJECT_SOURCE_DIR}/resources/tindral.ico;${PROJECT_SOURCE_DIR}/resources/set.ico;${PROJECT_SOURCE_DIR}/resources/palette.ico;${PROJECT_SOURCE_DIR}/resources/release.rc;${PROJECT_SOURCE_DIR}/resources/tindral.manifest;${CMAKE_BINARY_DIR}/generated/tindral_version.h")

add_executable(Tindral WIN32 ${PROJECT_SOURCE_DIR}/win/app/main.cpp ${TINDRAL_RESOURCE_SCRIPT})
target_include_directories(Tindral PRIVATE ${PROJECT_SOURCE_DIR})
target_link_libraries(Tindral PRIVATE tindral_app)
