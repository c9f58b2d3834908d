// Multipart form bodies for the end-to-end tests, with the boundary "XyZ".
#pragma once

#include <string>

inline constexpr char kMultipartType[] = "multipart/form-data; boundary=XyZ";
inline constexpr char kMultipartEnd[] = "--XyZ--\r\n";

inline std::string textPart(const std::string& name, const std::string& value) {
  return "--XyZ\r\nContent-Disposition: form-data; name=\"" + name + "\"\r\n\r\n" + value + "\r\n";
}

inline std::string filePart(const std::string& name, const std::string& fileName,
                            const std::string& bytes) {
  return "--XyZ\r\nContent-Disposition: form-data; name=\"" + name + "\"; filename=\"" + fileName +
         "\"\r\nContent-Type: application/octet-stream\r\n\r\n" + bytes + "\r\n";
}
