// The agent's settings record: every Caldrun.ini key with its default, and the
// lists derived from them. Filled once per run by ReadSettings (agent/core).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/tz/tz_types.h"

namespace korvale {

struct ServerEntry {
  std::string name;
  int time_diff = 0;  // TimeDiff, truncated towards zero
  std::string ds;
  std::string pdc;
};

// How the calendar table is kept: two tables in rotation, the filled one
// published at the end of the cycle, or one table several agents share, each
// row carrying its agent's instance name (NewDB=1; any other value rotates).
enum class TableMode { kRotation, kShared };

struct AgentSettings {
  // [Config], in the order of the settings file's reference table.
  int global_time_diff = 0;
  int backup_log = 1;
  int check_meeting_modifications = 0;
  std::string notification_mailbox;
  std::string notification_server;
  std::string notification_email;
  int no_uninit = 0;
  int auto_book_back_to_original = 0;
  int days_past_delete_bookings = 60;
  int days_past_meeting_endtime_delete_bookings = 0;
  int show_no_private = 0;
  int new_db = 0;
  TableMode table_mode = TableMode::kRotation;  // derived from NewDB by ReadSettings
  int get_contact_company = 0;
  int success_log = 1;
  std::string stored_proc_start;
  std::string stored_proc_end;
  int recreate_mapi_profile = 1;
  int no_server_check = 0;
  int skip_cancelled_meetings = 0;
  int show_personal = 0;
  std::string append_table;
  int msx2k = 0;
  int delay_after_num_mbx = 0;
  int delay_secs = 0;
  int free_busy = 0;
  int no_category_for_min_security_users = 0;
  int no_organizer_for_min_security_users = 0;
  int no_attendees_for_min_security_users = 0;
  int log_events = 1;
  int skip_meetings_with_duration0 = 0;
  int cycle_time = 60;
  int days_past = 15;
  int days_ahead = 365;
  int mailbox_custom_attribute = 0;
  int reverse_security_logic = 0;
  int sql_log = 0;
  std::string sql_log_to_file;
  int mb_cust_attr_sec_group = 0;
  int mb_cust_attr_book_meetings = 0;
  int security_level = 0;
  int time_log = 0;
  int holidays = 0;
  int no_organizer = 0;
  int set_tz_all = 0;
  std::string limit_categories_on_mailboxes;
  std::string limit_categories_to;
  int limit_categories_busy_status = -1;
  std::string exclude_categories;
  int folder_rights_limited = 0;
  int inbox_notification_direct_booked_appt = 1;
  std::string inbox_notification_exception_list;
  std::string notif_email_subject = "A new meeting was booked in your calendar";
  std::string notif_email_body =
      "From: [START][CR]To: [END][CR]Subject: [SUBJECT][CR]Category: [CATEGORY][CR]Booked by: "
      "[BOOKED BY]";
  std::string changed_email_subject = "A meeting was modified in your calendar";
  std::string changed_email_body =
      "Original meeting:[CR][CR]From: [START1][CR]To: [END1][CR]Subject: [SUBJECT1][CR]Category: "
      "[CATEGORY1][CR]Booked by: [BOOKED BY1][CR][CR]New meeting:[CR][CR]From: [START2][CR]To: "
      "[END2][CR]Subject: [SUBJECT2][CR]Category: [CATEGORY2][CR]Booked by: [BOOKED BY2]";
  std::string delete_email_subject = "A meeting was deleted in your calendar";
  std::string delete_email_body =
      "From: [START][CR]To: [END][CR]Subject: [SUBJECT][CR]Category: [CATEGORY][CR]Deleted by: "
      "[BOOKED BY]";
  std::string logon_mailbox;
  std::string logon_server;
  int notify_admins_create = 0;
  int notify_admins_modify = 0;
  int notify_admins_delete = 0;
  int notify_admins_create_in_event_log = 0;
  std::string db;
  std::string custom_fields_selected;
  std::string custom_fields_types_selected;
  std::string fields;
  std::string home_server;
  int oracle = 0;
  std::string oracle_hint;
  int sql_server = 0;
  int my_sql = 0;
  int sqlite = 0;  // the embedded default database's dialect
  std::string db_user_name;
  std::string guid2;
  std::string appt_booked_by_text = "Booked by %s\n";
  std::string date_time_format = "%c";

  // Derived.
  std::vector<std::string> exclude_category_list;
  std::vector<std::string> custom_field_names;
  std::vector<uint32_t> custom_field_types;  // MAPI property types, paired with the names
  // Scan groups: the DL%d lists (with their Group%dSkip) and the Group%d lists are
  // read by separate loops; entries with the same index belong together.
  std::vector<std::string> member_name_lists;     // DL%d
  std::vector<std::string> skip_lists;            // Group%dSkip
  std::vector<std::string> group_names;           // Group%d
  std::vector<uint8_t> local_flags;               // Group%dLocal
  std::vector<std::string> group_datasources;     // Group%dDS
  std::vector<std::string> group_time_zones;      // Group%dSetTZ (empty with SetTZAll >= 1)
  std::vector<std::string> member_address_lists;  // the values of [Group%d], "; "-joined
  std::vector<ServerEntry> servers;
  bool oracle_flag = false;
  bool sql_server_family_flag = false;
  bool mysql_flag = false;
  bool sqlite_flag = false;
  std::string database_password;  // plain
  std::string date_literal_format = "{ts '%Y-%m-%d %H:%M:%S'}";
  SYSTEMTIME dst_start;
  SYSTEMTIME dst_end;
};

inline bool SharedTableMode(const AgentSettings& settings) {
  return settings.table_mode == TableMode::kShared;
}

}  // namespace korvale
