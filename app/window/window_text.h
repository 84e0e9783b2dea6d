// The window's texts as the toolkit takes them: the job's UTF-8 strings, and
// the texts of the window's table in the user's language.
#pragma once

#include <QCoreApplication>
#include <QString>
#include <string>

inline QString qt(const std::string& text) { return QString::fromStdString(text); }

// text is marked for the translation tools in the "main_window" context.
inline QString windowText(const char* text) { return QCoreApplication::translate("main_window", text); }
