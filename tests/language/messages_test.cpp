#include "language/messages.h"

#include <set>
#include <string>

#include <gtest/gtest.h>

#include "pelt/language/statements.h"
#include "support/dump.h"

namespace pelt::language {
namespace {

using testing::U8;

TEST(MessagesTest, EveryTextIsExact) {
  struct Row {
    int line;
    MessageId id;
    std::u16string_view text;
  };
  const Row rows[] = {
      {__LINE__, MessageId::kExpressionEmpty, u"Expression is empty."},
      {__LINE__, MessageId::kExpressionValid, u"Expression is Valid!"},
      {__LINE__, MessageId::kNoCloseBracket, u"Missing close bracket(\"]\") on field name."},
      {__LINE__, MessageId::kNoOpenBracket, u"Missing open bracket(\"[\") on field name."},
      {__LINE__, MessageId::kNestedOpenBracket,
       u"Missing close bracket (\"]\") or nested field names!"},
      {__LINE__, MessageId::kNestedCloseBracket,
       u"Missing Open bracket (\"[\") or nested field names!"},
      {__LINE__, MessageId::kEmptyFieldName, u"Empty Field name brackets (\"[ ]\")!"},
      {__LINE__, MessageId::kMalformedParseResult, u"Unknown error evaluating expression!"},
      {__LINE__, MessageId::kUnclosedField, u"Missing close bracket (\"]\")!"},
      {__LINE__, MessageId::kScannerFailure, u"Unknown Error in EvaluateExpression!"},
      {__LINE__, MessageId::kParserFailure, u"Unknown Error Evaluating Expression"},
      {__LINE__, MessageId::kStatementsParsed, u"Successfully created formatting statement"},
      {__LINE__, MessageId::kImproperFormatNumber,
       u"Improper \".FormatNumber(0)\" formatting statement after ["},
      {__LINE__, MessageId::kImproperFormat,
       u"Improper \".Format(Instructions)\" formatting statement after ["},
      {__LINE__, MessageId::kImproperLeft, u"Improper \".Left(0)\" formatting statement after ["},
      {__LINE__, MessageId::kImproperMid, u"Improper \".Mid(0,0)\" formatting statement after ["},
      {__LINE__, MessageId::kImproperReplace,
       u"Improper \".Replace(Search,Replace)\" formatting statement after ["},
      {__LINE__, MessageId::kImproperReplaceUnclosed,
       u"Improper \".Replace(Search,Replace))\" formatting statement after ["},
      {__LINE__, MessageId::kImproperRight, u"Improper \".Right(0)\" formatting statement after ["},
      {__LINE__, MessageId::kImproperRound, u"Improper \".Round(0)\" formatting statement after ["},
      {__LINE__, MessageId::kImproperSpaces,
       u"Improper \".Spaces(0)\" formatting statement after ["},
      {__LINE__, MessageId::kStatementMessageEnd, u"] Field!"},
      {__LINE__, MessageId::kFieldOutOfScopeOpening, u"Field \"["},
      {__LINE__, MessageId::kFieldOutOfScopeClosing, u"]\" is invalid in scope of expression!"},
      {__LINE__, MessageId::kFieldOpening, u"Field \""},
      {__LINE__, MessageId::kFieldMissingClosing, u"\" does not exist in attribute table!"},
      {__LINE__, MessageId::kFieldTypeRefusedClosing,
       u"\": geometry and blob field types are not supported by this tool!"},
      {__LINE__, MessageId::kVerifyFailure, u"Unknown Error in VerifyExpression!"},
      {__LINE__, MessageId::kInvalidExpressionTitle, u"Invalid Expression!"},
      {__LINE__, MessageId::kValidExpressionTitle, u"Valid Expression"},
      {__LINE__, MessageId::kListingHeading, u"Labeling Instructions:"},
      {__LINE__, MessageId::kListingFirst, u"PUT"},
      {__LINE__, MessageId::kListingNext, u"AND"},
      {__LINE__, MessageId::kListingFormat, u"FORMAT:"},
      {__LINE__, MessageId::kMakeLabelFailure, u"Unknown Error in MakeLabel!"},
      {__LINE__, MessageId::kMakeLabelStringFailure, u"Unknown Error in MakeLabelString!"},
      {__LINE__, MessageId::kUnableToChangeExpression, u"Unable to change expression."},
      {__LINE__, MessageId::kUnableToChangeTitle, u"Invalid Expression"},
  };
  ASSERT_EQ(std::size(rows), kMessageCount) << "every message has a row, in table order";
  std::set<std::u16string_view> seen;
  for (std::size_t i = 0; i < std::size(rows); ++i) {
    const Row& row = rows[i];
    SCOPED_TRACE(row.line);
    EXPECT_EQ(static_cast<std::size_t>(row.id), i) << MessageIdName(row.id);
    EXPECT_EQ(U8(MessageText(row.id)), U8(row.text)) << MessageIdName(row.id);
    EXPECT_TRUE(seen.insert(MessageText(row.id)).second) << "text appears twice";
  }
}

// A malformed statement's message names the statement the way the builder's
// catalogue writes it.
TEST(MessagesTest, ImproperStatementMessagesQuoteTheCatalogueEntry) {
  const std::pair<StatementId, MessageId> pairs[] = {
      {StatementId::kFormatNumber, MessageId::kImproperFormatNumber},
      {StatementId::kFormat, MessageId::kImproperFormat},
      {StatementId::kLeft, MessageId::kImproperLeft},
      {StatementId::kMid, MessageId::kImproperMid},
      {StatementId::kReplace, MessageId::kImproperReplace},
      {StatementId::kRight, MessageId::kImproperRight},
      {StatementId::kRound, MessageId::kImproperRound},
      {StatementId::kSpaces, MessageId::kImproperSpaces},
  };
  for (const auto& [statement, message] : pairs) {
    std::u16string expected = u"Improper \"";
    expected += FindStatement(statement)->catalogue_entry;
    expected += u"\" formatting statement after [";
    EXPECT_EQ(U8(MessageText(message)), U8(expected));
  }
}

}  // namespace
}  // namespace pelt::language
