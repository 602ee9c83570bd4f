// Two processes writing one organisation store at once.
#include <sys/wait.h>
#include <unistd.h>

#include "platform/mapi/tests/org_fixture.h"

namespace korvale::mapi::testing {
namespace {

using ConcurrencyTest = OrgTest;

// Each child creates named properties and messages in the same calendar;
// nothing may be lost and both must get the same property ids.
int Writer(const std::string& db, int index, int count) {
  std::shared_ptr<IMAPISession> session;
  if (orgstore::OpenOrgStoreSession(db, "", &session) != S_OK) return 10;
  std::shared_ptr<IExchangeManageStore> manage;
  if (HrQueryInterface(*session, IID_IExchangeManageStore, &manage) != S_OK) return 11;
  ENTRYID id;
  manage->CreateStoreEntryID(kStoreDn, MailboxDn("alice"), 0, &id);
  std::shared_ptr<IMsgStore> store;
  if (session->OpenMsgStore(0, id, nullptr, MAPI_BEST_ACCESS, &store) != S_OK) return 12;
  ENTRYID inbox_id;
  store->GetReceiveFolder("", 0, &inbox_id, nullptr);
  ULONG type;
  std::shared_ptr<IUnknown> unk;
  if (store->OpenEntry(inbox_id, nullptr, MAPI_BEST_ACCESS, &type, &unk) != S_OK) return 13;
  auto inbox = mapi_cast<IMAPIFolder>(unk);
  for (int i = 0; i < count; ++i) {
    SPropTagArray tags;
    std::vector<MAPINAMEID> names{MAPINAMEID::Name(PS_PUBLIC_STRINGS, "name" + std::to_string(i))};
    if (inbox->GetIDsFromNames(names, MAPI_CREATE, &tags) != S_OK) return 14;
    std::shared_ptr<IMessage> msg;
    inbox->CreateMessage(nullptr, 0, &msg);
    msg->SetProps({{PR_SUBJECT, "writer " + std::to_string(index) + " #" + std::to_string(i)},
                   {CHANGE_PROP_TYPE(tags[0], PT_LONG), static_cast<int32_t>(PROP_ID(tags[0]))}},
                  nullptr);
    if (msg->SaveChanges(0) != S_OK) return 15;
  }
  return 0;
}

TEST_F(ConcurrencyTest, TwoProcessesWriteOneStore) {
  constexpr int kCount = 40;
  std::vector<pid_t> children;
  for (int w = 0; w < 2; ++w) {
    pid_t pid = fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) _exit(Writer(db_path_, w, kCount));
    children.push_back(pid);
  }
  for (pid_t pid : children) {
    int status = 0;
    ASSERT_EQ(waitpid(pid, &status, 0), pid);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0) << "writer failed at step " << WEXITSTATUS(status);
  }
  auto session = AdminSession();
  auto inbox = Inbox(*OpenStore(*session, "alice"));
  SRowSet rows = Rows(*inbox, {PR_SUBJECT});
  EXPECT_EQ(rows.cRows(), 2u * kCount);
  // Each message carries the id its writer got; both writers must agree with the map.
  for (int i = 0; i < kCount; ++i) {
    SPropTagArray tags;
    ASSERT_EQ(
        inbox->GetIDsFromNames({MAPINAMEID::Name(PS_PUBLIC_STRINGS, "name" + std::to_string(i))}, 0, &tags),
        S_OK);
    ULONG tag = CHANGE_PROP_TYPE(tags[0], PT_LONG);
    SRestriction r = RestrictProperty(RELOP_EQ, {tag, static_cast<int32_t>(PROP_ID(tags[0]))});
    EXPECT_EQ(Rows(*inbox, {PR_SUBJECT}, &r).cRows(), 2u) << "name" << i;
  }
}

}  // namespace
}  // namespace korvale::mapi::testing
