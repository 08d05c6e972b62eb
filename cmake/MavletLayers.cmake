# The layer order of the player's folders and the include check that enforces it: plain
# functions without targets, so the configure step and a test script (cmake -P) share them.
#
# Layers run one way: a folder may include only folders of a lower layer, and itself. Folders
# are named relative to player/ (the tools' libraries from the repository root). Folders of one
# layer include each other only when one library claims them all (display with transitions/ and
# particles/); display and media, two libraries, never do. One entry per layer, its folders
# separated by commas.
set(MAVLET_LAYER_ORDER
  "common"
  "backend/graphics,backend/audio"
  "backend"
  "backend/modal"
  "backend/fonts,backend/headless,backend/posix,backend/sdl,backend/movie"
  "backend/fontconfig"
  "storage"
  "vars"
  "engine"
  "display,display/transitions,display/particles,media"
  "display/commands"
  "shell"
  "runner"
  "debug"
  "main,web,tools/mavtool/kit,downloader/core"
  "downloader/ui")
set(MAVLET_LAYER_TEXT
  "common -> backend (graphics and audio, then the interfaces, then modal, then fonts, headless, posix, sdl, movie, then fontconfig) -> storage -> vars -> engine -> display / media -> display/commands -> shell -> runner -> debug -> main, web and tools, and for the downloader common -> downloader/core -> downloader/ui")

# Sets out to the layer number of folder (0 = common), or -1 when the folder is in no layer.
function(mavlet_layer_rank folder out)
  set(found -1)
  set(i 0)
  foreach(layer IN LISTS MAVLET_LAYER_ORDER)
    string(REPLACE "," ";" folders "${layer}")
    if(folder IN_LIST folders)
      set(found ${i})
    endif()
    math(EXPR i "${i} + 1")
  endforeach()
  set(${out} ${found} PARENT_SCOPE)
endfunction()

# mavlet_layer_violations(OUT NAME name FOLDERS f... ALLOWED a... FILES file...)
# Sets OUT to one message per fault (empty when none): an ALLOWED folder that is not below the
# library's own layer, or a file that includes "player/<folder>/..." for a folder that is
# neither one of FOLDERS nor ALLOWED.
function(mavlet_layer_violations out)
  cmake_parse_arguments(ARG "" "NAME" "FOLDERS;ALLOWED;FILES" ${ARGN})
  set(faults "")
  list(GET ARG_FOLDERS 0 home)
  mavlet_layer_rank("${home}" home_rank)
  foreach(f IN LISTS ARG_FOLDERS)
    mavlet_layer_rank("${f}" rank)
    if(rank LESS 0)
      list(APPEND faults "${ARG_NAME}: folder player/${f} is in no layer (add it to MAVLET_LAYER_ORDER)")
    endif()
  endforeach()
  foreach(a IN LISTS ARG_ALLOWED)
    mavlet_layer_rank("${a}" rank)
    if(rank LESS 0 OR NOT rank LESS home_rank)
      list(APPEND faults "${ARG_NAME} (player/${home}) may not include player/${a}: layers run ${MAVLET_LAYER_TEXT}")
    endif()
  endforeach()
  set(may ${ARG_FOLDERS} ${ARG_ALLOWED})
  foreach(file IN LISTS ARG_FILES)
    file(STRINGS "${file}" includes REGEX "^[ \t]*#[ \t]*include[ \t]*\"player/")
    foreach(line IN LISTS includes)
      string(REGEX MATCH "\"player/([^\"]*)/[^/\"]+\"" _ "${line}")
      set(folder "${CMAKE_MATCH_1}")
      if(folder AND NOT folder IN_LIST may)
        string(REGEX MATCH "\"player/[^\"]*\"" what "${line}")
        string(REPLACE ";" ", " may_text "${may}")
        list(APPEND faults "${file} includes ${what}, but ${ARG_NAME} may include only ${may_text} (layers run ${MAVLET_LAYER_TEXT})")
      endif()
    endforeach()
  endforeach()
  set(${out} "${faults}" PARENT_SCOPE)
endfunction()
