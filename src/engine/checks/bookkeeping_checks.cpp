#include "engine/checks/bookkeeping_checks.h"

#include <algorithm>
#include <optional>
#include <string_view>
#include <vector>

#include "engine/checks/dealer_number.h"
#include "engine/checks/record_facts.h"
#include "engine/checks/result_rows.h"
#include "engine/checks/sums.h"
#include "engine/uniform/uniform.h"

namespace tallyscan::checks {
namespace {

// A balanced verdict over a difference within the tolerance says so.
constexpr std::string_view kToleranceWords = " (הפרשים עד 0.99 ש\"ח נחשבים מאוזנים)";

std::string Balanced(std::string_view verdict, bool under_difference) {
  std::string text(verdict);
  if (under_difference) text += kToleranceWords;
  return text;
}

constexpr int kDoubleEntry = 2;

// What the checks read of an account (B110) line.
struct AccountLine {
  std::string_view key;     // 1403
  std::int64_t opening;     // 1414, positive = debit
  std::int64_t debit;       // 1415
  std::int64_t credit;      // 1416
  std::int64_t section;     // 1417
  std::string_view dealer;  // 1419
};

AccountLine SliceAccount(std::string_view line) {
  using field::B110;
  return {SliceField(line, B110(1403)),
          ReadAmount(SliceField(line, B110(1414))),
          ReadAmount(SliceField(line, B110(1415))),
          ReadAmount(SliceField(line, B110(1416))),
          WholeNumber(SliceField(line, B110(1417))),
          SliceField(line, B110(1419))};
}

MovementAmount ReadMovementAmount(const RecordReader& reader, std::int64_t offset,
                                  std::string& scratch) {
  return MovementAmountOf(reader.Field(offset, kMovementAmountRun, scratch));
}

std::string_view AccountKeyOf(const IndexEntry& entry) { return entry.Part(kKeyAccount); }

bool AccountExists(const RecordStore& store, std::string_view account_key) {
  return !PrefixRange(store.AccountIndex, account_key).empty();
}

}  // namespace

void CheckIndexBalance(CheckRun& run) {
  static constexpr std::string_view kTitle = "בדיקת איזון אינדקס";
  run.BeginCheck(kTitle);
  run.Append(HeadingRow(kTitle));
  run.ShowRows();

  const RecordStore& store = run.store();
  const auto& index = store.AccountIndex;
  std::string scratch;
  RecordLoop loop(run, index.Count());
  for (std::int64_t i = 1; i <= index.Count(); ++i) {
    if (loop.Stop(i)) break;
    const std::string_view line = run.reader().Line(index[i].Offset, RecordType::kB110, scratch);
    const AccountLine account = SliceAccount(line);
    // A total debit alone does not make an account need a section.
    if (account.section == 0 && (account.opening != 0 || account.credit != 0)) {
      run.accounts_without_section.push_back(
          {TrimmedForRow(account.key), {RecordType::kB110, index[i].Offset}});
    }
    if (account.opening < 0) {
      run.index_credit -= account.opening;
    } else {
      run.index_debit += account.opening;
    }
    run.index_debit += account.debit;
    run.index_credit += account.credit;
  }
  if (run.stopped()) {
    // What was not read gives no verdict: the sums so far, said to be partial.
    run.Append(CheckRow(RowStatus::kInfo, {.text = kPartialSumsText,
                                           .debit = Debit(run.index_debit),
                                           .credit = Credit(run.index_credit)}));
    run.ShowRows();
    return;
  }

  const AmountSum difference = run.index_debit - run.index_credit;
  run.Append(CheckRow(RowStatus::kInfo, {.text = "סה'כ סכומי האינדקס",
                                         .debit = Debit(run.index_debit),
                                         .credit = Credit(run.index_credit),
                                         .balance = BySign(difference)}));
  if (Beyond(difference, kBalanceTolerance)) {
    if (store.BookkeepingType == kDoubleEntry) {
      run.Append(CheckRow(RowStatus::kError, {.text = "קיים חוסר איזון בסכומי האינדקס בסך של - ",
                                              .balance = BySign(difference)}));
    } else {
      run.Append(
          CheckRow(RowStatus::kInfo, {.text = "יתרת האינדקס", .balance = BySign(difference)}));
    }
  } else {
    run.Append(
        CheckRow(RowStatus::kInfo, {.text = Balanced("יתרות האינדקס מאוזנות", difference != 0)}));
  }
  run.ShowRows();
}

void CheckMovementsBalance(CheckRun& run, bool movement_totals, bool batch_rows) {
  static constexpr std::string_view kTitle = "בדיקת איזון תנועות";
  run.BeginCheck(kTitle);
  run.Append(HeadingRow(kTitle));
  run.ShowRows();

  // The pass walks the movements in batch order (by the batch's number, within a batch in file
  // order). Their amounts were read beforehand in file order (record_facts.h): the store's
  // index stays in key order throughout, a stop included.
  const RecordStore& store = run.store();
  const auto n = store.MovementIndex.Count();
  std::optional<MovementFacts> taken = run.facts().TakeMovements(run);
  // Stopped while the amounts were read: nothing was summed, so there is nothing to show.
  if (!taken) return;
  MovementFacts facts = std::move(*taken);

  AmountSum batch_debit = 0;
  AmountSum batch_credit = 0;
  bool batch_difference = false;  // a batch row shows debit and credit apart
  std::optional<std::int64_t> previous_batch;
  auto append_batch_row = [&](std::int64_t batch) {
    batch_difference = batch_difference || batch_debit != batch_credit;
    const std::string caption = "סה'כ למנה " + PlainNumber(batch);
    run.Append(batch_debit == batch_credit
                   ? CheckRow(RowStatus::kInfo, {.text = caption,
                                                 .debit = Debit(batch_debit),
                                                 .credit = Credit(batch_credit)})
                   : CheckRow(RowStatus::kInfo, {.text = caption,
                                                 .debit = Debit(batch_debit),
                                                 .credit = Credit(batch_credit),
                                                 .balance = BySign(batch_debit - batch_credit)}));
    run.ShowRows();
  };

  RecordLoop loop(run, n);
  std::int64_t read = 0;
  for (std::int64_t i = 1; i <= n; ++i) {
    if (loop.Stop(i)) break;
    const BatchedMovement& batched = facts.by_batch[static_cast<std::size_t>(i - 1)];
    if (previous_batch && batched.batch() != *previous_batch) {
      if (batch_rows) append_batch_row(*previous_batch);
      batch_debit = 0;
      batch_credit = 0;
    }
    previous_batch = batched.batch();
    const MovementAmount movement = batched.movement();
    ++read;
    if (movement.credit) {
      run.movement_credit += movement.amount;
      batch_credit += movement.amount;
    } else {
      run.movement_debit += movement.amount;
      batch_debit += movement.amount;
    }
  }
  if (read < n) {
    // What was not read gives no verdict: the batch cut by the stop has no total row, and
    // the sums so far are said to be partial.
    run.Append(CheckRow(RowStatus::kInfo, {.text = kPartialSumsText,
                                           .debit = Debit(run.movement_debit),
                                           .credit = Credit(run.movement_credit)}));
    run.ShowRows();
    return;
  }
  run.movement_amounts = std::move(facts.amounts);
  if (batch_rows && previous_batch) append_batch_row(*previous_batch);

  if (movement_totals) {
    const AmountSum difference = run.movement_debit - run.movement_credit;
    run.Append(CheckRow(RowStatus::kInfo, {.text = "סה'כ סכומי התנועות",
                                           .debit = Debit(run.movement_debit),
                                           .credit = Credit(run.movement_credit),
                                           .balance = BySign(difference)}));
    if (Beyond(difference, kBalanceTolerance)) {
      if (store.BookkeepingType == kDoubleEntry) {
        run.Append(CheckRow(RowStatus::kError, {.text = "קיים חוסר איזון בסכומי התנועות בסל של",
                                                .balance = Credit(difference)}));
      } else {
        run.Append(
            CheckRow(RowStatus::kInfo, {.text = "יתרת התנועות", .balance = Credit(difference)}));
      }
    } else {
      run.Append(CheckRow(
          RowStatus::kInfo,
          {.text = Balanced("סכומי התנועות מאוזנים", difference != 0 || batch_difference)}));
    }
    run.ShowRows();
  }
}

void CheckIndexAgainstMovements(CheckRun& run) {
  if (Beyond(run.index_debit - run.movement_debit, kBalanceTolerance)) {
    run.Append(CheckRow(RowStatus::kError,
                        {.text = "סכומי החובה באינדקס", .debit = Debit(run.index_debit)}));
    run.Append(CheckRow(RowStatus::kError, {.text = "אינם זהים לסכומי החובה בתנועות",
                                            .debit = Debit(run.movement_debit)}));
  }
  if (Beyond(run.index_credit - run.movement_credit, kBalanceTolerance)) {
    run.Append(CheckRow(RowStatus::kError,
                        {.text = "סכומי הזכות באינדקס", .debit = Credit(run.index_credit)}));
    run.Append(CheckRow(RowStatus::kError, {.text = "אינם זהים לסכומי הזכות בתנועות",
                                            .debit = Credit(run.movement_credit)}));
  }
  run.ShowRows();
  if (run.stopped()) return;
  if (run.ticks().Ticked(BookkeepingItem::kKeyCrossCheck)) CheckMovementKeys(run);
  if (run.stopped()) return;
  if (run.ticks().Ticked(BookkeepingItem::kBalanceCrossCheck)) CheckAccountBalances(run);
}

void CheckMovementKeys(CheckRun& run) {
  static constexpr std::string_view kTitle = "הצלבת מפתחות כרטיסים/תנועות";
  run.BeginCheck(kTitle);
  run.Append(HeadingRow(kTitle));
  run.ShowRows();

  const RecordStore& store = run.store();
  const auto& index = store.MovementIndex;
  std::string_view previous_key;
  bool have_previous = false;
  std::string scratch;
  RecordLoop loop(run, index.Count());
  for (std::int64_t i = 1; i <= index.Count(); ++i) {
    if (loop.Stop(i)) break;
    const std::string_view key = AccountKeyOf(index[i]);
    if (have_previous && key == previous_key) continue;
    previous_key = key;
    have_previous = true;
    if (!AccountExists(store, key)) {
      const RecordReference movement{RecordType::kB100, index[i].Offset};
      run.Append(CheckRow(RowStatus::kError, {.text = "בתנועה מספר - " + PlainNumber(i) + " המפתח ",
                                              .debit = TrimmedForRow(key) + kCreditMarker}),
                 movement);
      run.Append(CheckRow(RowStatus::kError, {.text = "אינו קיים באינדקס החשבונות"}), movement);
      run.ShowRows();
    }
  }
  run.Append(CheckRow(RowStatus::kHeading, {.text = "הסתיימה הצלבת מפתחות תנועות/כרטיסים"}));
  run.ShowRows();
}

void CheckAccountBalances(CheckRun& run) {
  static constexpr std::string_view kTitle = "הצלבת יתרות כרטיסים/תנועות";
  run.BeginCheck(kTitle);
  run.Append(HeadingRow(kTitle));
  run.ShowRows();

  // An account's movements are the run of MovementIndex entries that begin with its key:
  // found by binary search rather than by scanning every movement for every account.
  const RecordStore& store = run.store();
  const auto& accounts = store.AccountIndex;
  const bool cached =
      static_cast<std::int64_t>(run.movement_amounts.size()) == store.MovementIndex.Count();
  std::string scratch;
  // Accounts are in key order, so the copies of one key follow each other: the movements
  // of a key are summed once, for its first account line, however many copies it has.
  std::string_view summed_key;
  bool summed = false;
  AmountSum movement_debit = 0;
  AmountSum movement_credit = 0;
  RecordLoop loop(run, accounts.Count());
  for (std::int64_t i = 1; i <= accounts.Count(); ++i) {
    if (loop.Stop(i)) break;
    const std::string_view line = run.reader().Line(accounts[i].Offset, RecordType::kB110, scratch);
    const AccountLine account = SliceAccount(line);
    if (account.debit == 0 && account.credit == 0) continue;

    const std::string_view key = AccountKeyOf(accounts[i]);
    if (!summed || key != summed_key) {
      movement_debit = 0;
      movement_credit = 0;
      const ElementRange range = PrefixRange(store.MovementIndex, key);
      for (std::int64_t m = range.first; m < range.last; ++m) {
        const MovementAmount movement =
            cached ? run.movement_amounts[static_cast<std::size_t>(m - 1)]
                   : ReadMovementAmount(run.reader(), store.MovementIndex[m].Offset, scratch);
        (movement.credit ? movement_credit : movement_debit) += movement.amount;
      }
      summed_key = key;
      summed = true;
    }

    const AmountSum movement_balance = movement_debit - movement_credit;
    AmountSum card_balance = AmountSum{account.debit} - account.credit;
    if (!Beyond(movement_balance - card_balance, kBalanceTolerance)) continue;
    card_balance += account.opening;
    if (!Beyond(movement_balance - card_balance, kBalanceTolerance)) continue;

    const RecordReference card{RecordType::kB110, accounts[i].Offset};
    run.Append(CheckRow(RowStatus::kError, {.text = "בכרטיס - " + AsStoredForRow(key) +
                                                    " אין התאמה בין יתרות הכרטיס לתנועות הכרטיס"}),
               card);
    run.Append(CheckRow(RowStatus::kError, {.text = "יתרות הכרטיס הן",
                                            .debit = Debit(account.debit),
                                            .credit = Credit(account.credit)}),
               card);
    run.Append(CheckRow(RowStatus::kError, {.text = "יתרות התנועות הן",
                                            .debit = Debit(movement_debit),
                                            .credit = Credit(movement_credit)}),
               card);
    // A blank line between cards: no finding of its own.
    run.Append(CheckRow(RowStatus::kInfo, {}));
    run.ShowRows();
  }
  run.Append(CheckRow(RowStatus::kHeading, {.text = "הסתיימה הצלבת יתרות תנועות/כרטיסים"}));
  run.ShowRows();
}

void CheckTaxSections(CheckRun& run) {
  static constexpr std::string_view kTitle = "בדיקת סעיפי מס הכנסה";
  // Begun before the refusal too, so that a listener counts the refusal as this check's.
  run.BeginCheck(kTitle);
  if (!run.accounts_without_section.empty()) {
    run.Append(CheckRow(RowStatus::kError, {.text = "סעיפי מס הכנסה לא מוגדרים בכל הכרטיסים"}));
    // The accounts meant, a row each.
    for (const CheckRun::AccountWithoutSection& account : run.accounts_without_section) {
      run.Append(CheckRow(RowStatus::kError,
                          {.text = "בכרטיס - " + account.key + " לא מוגדר סעיף מס הכנסה"}),
                 account.record);
    }
    run.ShowRows();
    return;
  }
  run.Append(HeadingRow(kTitle));
  run.ShowRows();

  constexpr std::int64_t kFirstBalanceSheetSection = 7000;
  constexpr std::int64_t kPreviousYearSection = 9980;
  AmountSum current_debit = 0;
  AmountSum current_credit = 0;
  AmountSum previous_balance = 0;
  const RecordStore& store = run.store();
  const auto& index = store.AccountIndex;
  std::string scratch;
  RecordLoop loop(run, index.Count());
  for (std::int64_t i = 1; i <= index.Count(); ++i) {
    if (loop.Stop(i)) break;
    const std::string_view line = run.reader().Line(index[i].Offset, RecordType::kB110, scratch);
    const AccountLine account = SliceAccount(line);
    if (account.section < kFirstBalanceSheetSection) {
      current_debit += account.debit;
      current_credit += account.credit;
    } else if (account.section == kPreviousYearSection) {
      previous_balance += AmountSum{account.opening} + account.debit - account.credit;
    }
  }

  if (previous_balance < 0) {
    run.Append(CheckRow(RowStatus::kInfo,
                        {.text = "יתרת רווח משנה קודמת", .credit = Credit(-previous_balance)}));
  } else {
    run.Append(CheckRow(RowStatus::kInfo,
                        {.text = "יתרת הפסד משנה קודמת", .debit = Debit(previous_balance)}));
  }
  const AmountSum current = current_debit - current_credit;
  run.Append(CheckRow(RowStatus::kInfo,
                      {.text = current < 0 ? "יתרת רווח שנה נוכחית" : "יתרת הפסד שנה נוכחית",
                       .debit = Debit(current_debit),
                       .credit = Credit(current_credit),
                       .balance = BySign(current)}));
  run.ShowRows();
}

void CheckAccountDealerNumbers(CheckRun& run) {
  static constexpr std::string_view kTitle = "בדיקת מספרי עוסק";
  run.BeginCheck(kTitle);
  run.Append(HeadingRow(kTitle));
  run.ShowRows();

  // Customer and supplier sections, where an account needs a dealer number.
  static constexpr std::int64_t kDealerSections[] = {7310, 7320, 7390, 7410,
                                                     9210, 9220, 9290, 9370};
  std::int64_t missing = 0;
  const RecordStore& store = run.store();
  const auto& index = store.AccountIndex;
  std::string scratch;
  RecordLoop loop(run, index.Count());
  for (std::int64_t i = 1; i <= index.Count(); ++i) {
    if (loop.Stop(i)) break;
    const std::string_view line = run.reader().Line(index[i].Offset, RecordType::kB110, scratch);
    const AccountLine account = SliceAccount(line);
    if (WholeNumber(account.dealer) == 0) {
      if (std::find(std::begin(kDealerSections), std::end(kDealerSections), account.section) !=
          std::end(kDealerSections)) {
        ++missing;
      }
    } else if (!ValidDealerNumber(account.dealer)) {
      run.Append(CheckRow(RowStatus::kError,
                          {.text = "בכרטיס " + TrimmedForRow(account.key) + " מס. עוסק לא תקין",
                           .debit = AsStoredForRow(account.dealer) + kCreditMarker}),
                 {RecordType::kB110, index[i].Offset});
      run.ShowRows();
    }
  }
  if (missing != 0) {
    run.Append(CheckRow(RowStatus::kError,
                        {.text = "ב " + PlainNumber(missing) + " כרטיסים לא מוגדר מספר עוסק"}));
  }
  run.Append(CheckRow(RowStatus::kInfo, {.text = "סיום בדיקת מספרי עוסק"}));
  run.ShowRows();
}

}  // namespace tallyscan::checks
