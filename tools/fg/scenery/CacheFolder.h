#pragma once
// Where a program of ours keeps what it can make again: the user's cache folder. Empty when
// the platform names none.

#include <string>

std::string UserCacheFolder();
