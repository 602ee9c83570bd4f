// korvale-web: serves an installation's published calendars, feeds and
// bookings over HTTP. Everything but HTTP lives in WebApp.
//
//   korvale-web DIR [--port N] [--user ACCOUNT | --user-header NAME] [--instance NAME]
#include <httplib.h>

#include <CLI/CLI.hpp>
#include <cerrno>
#include <cstring>
#include <ctime>
#include <iostream>

#include "web/web_app.h"

namespace {

korvale::SqlTimestamp LocalNow() {
  std::time_t t = std::time(nullptr);
  std::tm tm{};
  localtime_r(&t, &tm);
  return {tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec};
}

// A form posted from another site must not book or cancel in the visitor's
// name: when the browser names the origin, its host must be this server's.
bool SameOrigin(const httplib::Request& req) {
  const std::string origin = req.get_header_value("Origin");
  if (origin.empty()) return true;
  size_t scheme = origin.find("://");
  std::string host = scheme == std::string::npos ? origin : origin.substr(scheme + 3);
  return host == req.get_header_value("Host") || host == req.get_header_value("X-Forwarded-Host");
}

}  // namespace

int main(int argc, char** argv) {
  CLI::App cli{"Serves the published calendars of a Korvale installation"};
  std::string folder, user, user_header;
  int port = 8080;
  cli.add_option("DIR", folder, "installation folder (holds Caldrun.ini)")->required();
  cli.add_option("--port", port, "port on 127.0.0.1")->check(CLI::Range(1, 65535));
  auto* fixed = cli.add_option("--user", user, "the one visitor, for a single-user desktop");
  cli.add_option("--user-header", user_header, "request header naming the visitor, set by the reverse proxy")
      ->excludes(fixed);
  std::string instance;
  cli.add_option(
      "--instance", instance,
      "with NewDB=1: the agent instance that takes the bookings (default \"Korvale Update Service\")");
  CLI11_PARSE(cli, argc, argv);

  auto installation = korvale::web::LoadInstallation(folder);
  if (!installation.ok()) {
    std::cerr << "korvale-web: " << installation.status().message() << "\n";
    return 1;
  }
  if (!instance.empty()) installation->instance = instance;
  korvale::web::WebApp app(std::move(*installation), LocalNow);

  httplib::Server server;
  auto handle = [&](const httplib::Request& req, httplib::Response& res) {
    korvale::web::WebRequest request;
    request.method = req.method;
    request.path = req.path;
    for (const auto& [key, value] : req.params) request.params.emplace(key, value);
    request.visitor = !user.empty()         ? user
                      : user_header.empty() ? ""
                                            : req.get_header_value(user_header.c_str());
    korvale::web::WebResponse response;
    if (req.method == "POST" && !SameOrigin(req)) {
      response.status = 403;
      response.content_type = "text/plain; charset=utf-8";
      response.body = "Refused: the form was sent from another site.\n";
    } else {
      response = app.Handle(request);
    }
    res.status = response.status;
    if (!response.location.empty()) res.set_header("Location", response.location);
    res.set_header("Cache-Control", "no-store");
    res.set_content(response.body, response.content_type.c_str());
  };
  server.Get(".*", handle);
  server.Post(".*", handle);

  const char* host = "127.0.0.1";
  if (!server.bind_to_port(host, port)) {
    int error = errno;
    std::cerr << "korvale-web: cannot listen on " << host << ":" << port << ": "
              << (error == EADDRINUSE || error == 0 ? "the port is already in use" : std::strerror(error))
              << ". Choose another with --port.\n";
    return 2;
  }
  std::cout << "korvale-web: serving " << folder << " on http://" << host << ":" << port << "/" << std::endl;
  return server.listen_after_bind() ? 0 : 3;
}
