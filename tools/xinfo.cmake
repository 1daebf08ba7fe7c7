# xinfo: the model inspector. On Windows it links the real D3DX; natively the
# portable layer, whose meshes and textures load without a display.
if(WIN32)
  add_executable(xinfo ${CMAKE_CURRENT_LIST_DIR}/xinfo.cpp ${CMAKE_CURRENT_LIST_DIR}/xinfo_windows.cpp)
  target_link_libraries(xinfo PRIVATE d3d9 d3dx9 walkthrough_defaults)
else()
  add_executable(xinfo ${CMAKE_CURRENT_LIST_DIR}/xinfo.cpp ${CMAKE_CURRENT_LIST_DIR}/xinfo_portable.cpp)
  target_link_libraries(xinfo PRIVATE platform_portable walkthrough_defaults)
endif()
