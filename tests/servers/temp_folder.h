#pragma once
// A folder of its own under the system's temporary folder, removed with
// everything in it when the object goes.

#include <string>

class TempFolder {
public:
  TempFolder();
  ~TempFolder();
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;

  const std::string& Path() const { return FolderPath; }
  // The path of name inside the folder.
  std::string File(const std::string& name) const { return FolderPath + "/" + name; }
  // Writes text into name inside the folder; returns its path.
  std::string WriteFile(const std::string& name, const std::string& text) const;
  // The whole content of name inside the folder (empty when missing).
  std::string ReadFile(const std::string& name) const;

private:
  std::string FolderPath;
};
