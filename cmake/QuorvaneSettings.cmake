# Compile settings shared by every target of the project.
add_library(quorvane_settings INTERFACE)
target_compile_features(quorvane_settings INTERFACE cxx_std_20)
target_compile_options(quorvane_settings INTERFACE
    $<$<COMPILE_LANGUAGE:CXX>:-Wall -Wextra -Wpedantic -Werror>)
target_compile_definitions(quorvane_settings INTERFACE
    QT_NO_KEYWORDS
    QT_RESTRICTED_CAST_FROM_ASCII
    QT_NO_CAST_TO_ASCII
    QT_NO_CAST_FROM_BYTEARRAY
    QT_NO_URL_CAST_FROM_STRING
    QT_USE_QSTRINGBUILDER
    QT_NO_FOREACH
    QT_NO_NARROWING_CONVERSIONS_IN_CONNECT
    QT_NO_CONTEXTLESS_CONNECT
    QT_DISABLE_DEPRECATED_BEFORE=0x060400)

if(QUORVANE_SANITIZE)
    set(_quorvane_san -fsanitize=address,undefined -fno-omit-frame-pointer
        -fno-sanitize-recover=undefined)
    target_compile_options(quorvane_settings INTERFACE ${_quorvane_san})
    target_link_options(quorvane_settings INTERFACE ${_quorvane_san})
endif()
