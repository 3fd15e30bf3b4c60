#pragma once

#include <string_view>

#include "profile/IniStore.h"

// A store holding `text`, as if read from a file.
inline CIniStore StoreOf(std::string_view text) {
    CIniStore store;
    store.SetText(text);
    return store;
}
