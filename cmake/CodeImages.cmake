# Code images: C and assembly sources compiled for image code, linked into one
# relocatable object and turned into an image by imagetool.
#
#   qarvex_add_image(NAME OUTPUT <file> SOURCES <files> [HOST <target>] [TOOL_ARGS <args>])
#
# With HOST the output is a copy of that program holding the image in section
# ".vq"; without it, the bare image.

find_program(IMAGE_CC NAMES gcc cc REQUIRED)

# Image code keeps its frame pointers (the frame walk follows them), calls the
# runtime through the entry-point table only, and is neither position
# independent nor instrumented. On x86-64 it is host code for the small model.
set(IMAGE_C_FLAGS -O1 -fno-pic -fno-pie -fno-omit-frame-pointer -fno-optimize-sibling-calls
    -fno-stack-protector -fno-builtin -fcf-protection=none)
if(CMAKE_SIZEOF_VOID_P EQUAL 4)
  list(APPEND IMAGE_C_FLAGS -m32)
  set(IMAGE_ARCH i386)
else()
  list(APPEND IMAGE_C_FLAGS -mcmodel=small)
  set(IMAGE_ARCH x86_64)
endif()

function(qarvex_add_image name)
  cmake_parse_arguments(IMAGE "" "OUTPUT;HOST" "SOURCES;TOOL_ARGS" ${ARGN})
  set(objects)
  foreach(source ${IMAGE_SOURCES})
    get_filename_component(stem ${source} NAME_WE)
    set(object ${CMAKE_CURRENT_BINARY_DIR}/images/${name}/${stem}.o)
    add_custom_command(OUTPUT ${object}
      COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_CURRENT_BINARY_DIR}/images/${name}
      COMMAND ${IMAGE_CC} ${IMAGE_C_FLAGS} -c ${source} -o ${object}
      DEPENDS ${source} VERBATIM)
    list(APPEND objects ${object})
  endforeach()
  set(linked ${CMAKE_CURRENT_BINARY_DIR}/images/${name}/${name}.o)
  add_custom_command(OUTPUT ${linked}
    COMMAND ${IMAGE_CC} ${IMAGE_C_FLAGS} -r -nostdlib -o ${linked} ${objects}
    DEPENDS ${objects} VERBATIM)
  set(host_args)
  set(host_depends)
  if(IMAGE_HOST)
    set(host_args --host $<TARGET_FILE:${IMAGE_HOST}>)
    set(host_depends ${IMAGE_HOST})
  endif()
  # A cross build runs its own imagetool through the emulator.
  add_custom_command(OUTPUT ${IMAGE_OUTPUT}
    COMMAND ${CMAKE_CROSSCOMPILING_EMULATOR} $<TARGET_FILE:imagetool> ${IMAGE_TOOL_ARGS} ${host_args} ${linked} -o ${IMAGE_OUTPUT}
    DEPENDS imagetool ${host_depends} ${linked} VERBATIM)
  add_custom_target(${name} ALL DEPENDS ${IMAGE_OUTPUT})
endfunction()

# One source compiled as image code into OUTPUT, unlinked: input for the tests
# of imagetool itself.
#
#   qarvex_add_image_object(NAME OUTPUT <file> SOURCE <file>)
function(qarvex_add_image_object name)
  cmake_parse_arguments(OBJECT "" "OUTPUT;SOURCE" "" ${ARGN})
  get_filename_component(folder ${OBJECT_OUTPUT} DIRECTORY)
  add_custom_command(OUTPUT ${OBJECT_OUTPUT}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${folder}
    COMMAND ${IMAGE_CC} ${IMAGE_C_FLAGS} -c ${OBJECT_SOURCE} -o ${OBJECT_OUTPUT}
    DEPENDS ${OBJECT_SOURCE} VERBATIM)
  add_custom_target(${name} ALL DEPENDS ${OBJECT_OUTPUT})
endfunction()
