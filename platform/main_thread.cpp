#include "platform/main_thread.h"

#include <thread>

namespace {
const std::thread::id mainThreadId = std::this_thread::get_id();
}

bool IsMainThread() { return std::this_thread::get_id() == mainThreadId; }
