#pragma once
// Tells whether the caller runs on the program's main thread (the thread that
// ran static initialisation).

bool IsMainThread();
