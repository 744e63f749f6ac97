# One warning list, applied PRIVATE to every target of the project.
function(plask_warnings target)
  target_compile_options(${target} PRIVATE
    -Wall -Wextra -Wpedantic -Wshadow -Wconversion -Wold-style-cast
    -Wnon-virtual-dtor -Woverloaded-virtual
    # GCC 12 reports false -Wrestrict hits inside std::string at -O3.
    $<$<CXX_COMPILER_ID:GNU>:-Wno-restrict>)
  if(PLASK_WERROR)
    target_compile_options(${target} PRIVATE -Werror)
  endif()
endfunction()

# Qt string hygiene for the targets that link Qt.
function(plask_qt_target target)
  set_target_properties(${target} PROPERTIES AUTOMOC ON)
  target_compile_definitions(${target} PRIVATE
    QT_NO_CAST_FROM_ASCII QT_NO_CAST_TO_ASCII QT_USE_QSTRINGBUILDER QT_NO_KEYWORDS)
endfunction()
