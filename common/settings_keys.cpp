#include "common/settings_keys.h"

#include <array>

namespace korvale::settings_keys {

namespace {

using S = AgentSettings;

constexpr std::array kIntKeys = {
    IntKey{"GlobalTimeDiff", &S::global_time_diff},
    IntKey{"BackupLog", &S::backup_log},
    IntKey{"CheckMeetingModifications", &S::check_meeting_modifications},
    IntKey{"NoUnInit", &S::no_uninit},
    IntKey{"AutoBookBackToOriginal", &S::auto_book_back_to_original},
    IntKey{"DaysPastDeleteBookings", &S::days_past_delete_bookings},
    IntKey{"DaysPastMeetingEndtimeDeleteBookings", &S::days_past_meeting_endtime_delete_bookings},
    IntKey{"ShowNoPrivate", &S::show_no_private},
    IntKey{"NewDB", &S::new_db},
    IntKey{"GetContactCompany", &S::get_contact_company},
    IntKey{"SuccessLog", &S::success_log},
    IntKey{"RecreateMAPIProfile", &S::recreate_mapi_profile},
    IntKey{"NoServerCheck", &S::no_server_check},
    IntKey{"SkipCancelledMeetings", &S::skip_cancelled_meetings},
    IntKey{"ShowPersonal", &S::show_personal},
    IntKey{"MSX2k", &S::msx2k},
    IntKey{"DelayAfterNumMbx", &S::delay_after_num_mbx},
    IntKey{"DelaySecs", &S::delay_secs},
    IntKey{"FreeBusy", &S::free_busy},
    IntKey{"NoCategoryForMinSecurityUsers", &S::no_category_for_min_security_users},
    IntKey{"NoOrganizerForMinSecurityUsers", &S::no_organizer_for_min_security_users},
    IntKey{"NoAttendeesForMinSecurityUsers", &S::no_attendees_for_min_security_users},
    IntKey{"LogEvents", &S::log_events},
    IntKey{"SkipMeetingsWithDuration0", &S::skip_meetings_with_duration0},
    IntKey{"CycleTime", &S::cycle_time},
    IntKey{"DaysPast", &S::days_past},
    IntKey{"DaysAhead", &S::days_ahead},
    IntKey{"MailboxCustomAttribute", &S::mailbox_custom_attribute},
    IntKey{"ReverseSecurityLogic", &S::reverse_security_logic},
    IntKey{"SQLLog", &S::sql_log},
    IntKey{"MBCustAttrSecGroup", &S::mb_cust_attr_sec_group},
    IntKey{"MBCustAttrBookMeetings", &S::mb_cust_attr_book_meetings},
    IntKey{"SecurityLevel", &S::security_level},
    IntKey{"TimeLog", &S::time_log},
    IntKey{"Holidays", &S::holidays},
    IntKey{"NoOrganizer", &S::no_organizer},
    IntKey{"SetTZAll", &S::set_tz_all},
    IntKey{"LimitCategoriesBusyStatus", &S::limit_categories_busy_status},
    IntKey{"FolderRightsLimited", &S::folder_rights_limited},
    IntKey{"InboxNotificationDirectBookedAppt", &S::inbox_notification_direct_booked_appt},
    IntKey{"NotifyAdminsCreate", &S::notify_admins_create},
    IntKey{"NotifyAdminsModify", &S::notify_admins_modify},
    IntKey{"NotifyAdminsDelete", &S::notify_admins_delete},
    IntKey{"NotifyAdminsCreateInEventLog", &S::notify_admins_create_in_event_log},
    IntKey{"Oracle", &S::oracle},
    IntKey{"SQLServer", &S::sql_server},
    IntKey{"mySQL", &S::my_sql},
    IntKey{"SQLite", &S::sqlite},
};

constexpr std::array kTextKeys = {
    TextKey{"StoredProcStart", 1024, &S::stored_proc_start},
    TextKey{"StoredProcEnd", 1024, &S::stored_proc_end},
    TextKey{"AppendTable", 255, &S::append_table},
    TextKey{"LimitCategoriesOnMailboxes", 255, &S::limit_categories_on_mailboxes},
    TextKey{"LimitCategoriesTo", 255, &S::limit_categories_to},
    TextKey{"ExcludeCategories", 1000, &S::exclude_categories},
    TextKey{"NotifEmailSubject", 10000, &S::notif_email_subject},
    TextKey{"NotifEmailBody", 10000, &S::notif_email_body},
    TextKey{"ChangedEmailSubject", 10000, &S::changed_email_subject},
    TextKey{"ChangedEmailBody", 10000, &S::changed_email_body},
    TextKey{"DeleteEmailSubject", 10000, &S::delete_email_subject},
    TextKey{"DeleteEmailBody", 10000, &S::delete_email_body},
    TextKey{"LogonMailbox", 255, &S::logon_mailbox},
    TextKey{"LogonServer", 255, &S::logon_server},
    TextKey{"DB", 255, &S::db},
    TextKey{"CustomFieldsSelected", 1024, &S::custom_fields_selected},
    TextKey{"CustomFieldsTypesSelected", 1024, &S::custom_fields_types_selected},
    TextKey{"Fields", 2048, &S::fields},
    TextKey{"HomeServer", 255, &S::home_server},
    TextKey{"OracleHint", 255, &S::oracle_hint},
    TextKey{"DBUserName", 255, &S::db_user_name},
    TextKey{"GUID2", 255, &S::guid2},
    TextKey{"ApptBookedByText", 1024, &S::appt_booked_by_text},
    TextKey{"DateTimeFormat", 1024, &S::date_time_format},
};

}  // namespace

std::span<const IntKey> ConfigIntKeys() { return kIntKeys; }
std::span<const TextKey> ConfigTextKeys() { return kTextKeys; }

std::string Numbered(const char* pattern, int n) {
  std::string text(pattern);
  auto pos = text.find("%d");
  if (pos != std::string::npos) text.replace(pos, 2, std::to_string(n));
  return text;
}

}  // namespace korvale::settings_keys
