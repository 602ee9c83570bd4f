// The web front without HTTP: one request in, one response out. The server
// program only turns HTTP into a WebRequest and a WebResponse back; every
// rule (who sees what, the week, bookings, feeds) is here and tested directly.
//
//   WebApp app(*installation, [] { return LocalNow(); });
//   WebResponse page = app.Handle({"GET", "/group/1", {}, "DEMO\\anna"});
//
// Routes: "/" (the groups), "/group/<n>" (?from=YYYY-MM-DD), "/feeds/<mailbox
// name>.ics", POST "/book", "/booking/<number>", POST "/booking/<number>/cancel".
// Every database failure is a whole page that says what failed.
#pragma once

#include <functional>
#include <memory>
#include <mutex>
#include <string>

#include "web/booking_form.h"
#include "web/installation.h"
#include "web/published.h"
#include "web/week_view.h"

namespace korvale::web {

struct WebRequest {
  std::string method;   // "GET" or "POST"
  std::string path;     // decoded path, without the query
  FormFields params;    // query and form fields
  std::string visitor;  // the authenticated account; empty when none
};

struct WebResponse {
  int status = 200;
  std::string content_type = "text/html; charset=utf-8";
  std::string body;
  std::string location;  // for redirects
};

class WebApp {
 public:
  using Clock = std::function<SqlTimestamp()>;  // the local date-time now
  WebApp(Installation installation, Clock now);
  WebResponse Handle(const WebRequest& request);
  const Installation& installation() const { return installation_; }

 private:
  struct Context;  // one request's connection and published state
  WebResponse GroupsPage(Context& c);
  WebResponse GroupPage(Context& c, const WebRequest& r, size_t group);
  WebResponse Feed(Context& c, const std::string& name);
  WebResponse Book(Context& c, const WebRequest& r);
  WebResponse BookingPage(Context& c, const std::string& number);
  WebResponse Cancel(Context& c, const std::string& number);
  WebResponse Page(const Context& c, int status, const std::string& title, const std::string& body);
  PublishedWindow Window(Day today) const;  // the published window around today
  WebResponse Failure(const Context& c, int status, const std::string& title, const std::string& message);

  Installation installation_;
  Clock now_;
  std::mutex booking_;  // checks and writes of one booking are not interleaved with another's
};

}  // namespace korvale::web
