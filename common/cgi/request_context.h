// RequestContext: everything one request brings to a program and what the
// program decided before answering it, handed to the application's
// constructor as a value. Under CGI the variables are the whole process
// environment and the streams standard input and output; over FastCGI they
// are one request's parameters and its connection. Nothing of a request is
// kept anywhere else, so two requests can be answered side by side.
#pragma once

#include <string_view>
#include <vector>

#include "common/cgi/cgi_streams.h"
#include "common/cgi/message_table.h"
#include "common/files/file_cache.h"
#include "common/text/param_list.h"
#include "common/text/text.h"

// The CGI variables of a request, looked up by their exact names.
class RequestVariables {
 public:
  // The process environment (a CGI request, or a command typed on the server).
  static RequestVariables fromEnvironment();
  // "NAME=value" entries up to a null pointer, as a FastCGI request has them.
  static RequestVariables fromEntries(char* const* entries);

  void set(std::string_view name, std::string_view value);
  // The variable, or null when the request has none of that name.
  const Param* find(std::string_view name) const;
  // Its value; empty when unset.
  Text value(std::string_view name) const;

 private:
  std::vector<Param> entries_;
};

// What a program sets before its application object is built.
struct ProgramTraits {
  // Header lines (each ended by a line feed) that every answer carries after
  // its content type, an error page during start-up too.
  Text standingHeaderLines;
  // Every answer carries the script policy lines (script_policy.h).
  bool guardPageScripts = false;
  // Set when a script may ask for JSON answers: the status of the error
  // answer for a message (null for the default, 500).
  using JsonErrorStatus = const char* (*)(const MessageTable& message);
  JsonErrorStatus jsonErrorStatus = nullptr;
  bool offersJson = false;
  // A program that receives files (insert) reads a multipart body itself,
  // once it knows how many file bytes its group takes.
  bool deferMultipartBodies = false;
  // The program file as the process was started: the home when neither the
  // home variable nor /proc/self/exe tells it.
  Text programArgument;
};

struct RequestContext {
  RequestVariables variables;
  CgiStreams streams;  // the body is read from input, the answer written to output
  ProgramTraits program;
  // A resident process's files kept between its requests; none under CGI.
  FileCache* files = nullptr;

  // The process's own request: its environment and the process-wide streams
  // (standard input and output, which tests point at files of their own).
  static RequestContext fromProcess(ProgramTraits program = {});

  // Whether the query string names `parameter`, with a value or without:
  // what picks a program's object before any parameter is decoded.
  bool queryNames(std::string_view parameter) const;
};
