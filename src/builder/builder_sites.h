#pragma once

#include <string_view>

#include "pelt/errors/error_handling.h"

namespace pelt::builder {

// The dialog's module identifier and the procedures that follow the
// call-stack convention, each with its procedure name text (name and blank).
inline constexpr std::u16string_view kDialogModule = u"PeltExpressions:frmExpressionBuilder";

inline constexpr errors::ProcedureSite kFormLoadSite{u"Form_Load ", kDialogModule};
inline constexpr errors::ProcedureSite kFormActivateSite{u"Form_Activate ", kDialogModule};
inline constexpr errors::ProcedureSite kFormUnloadSite{u"Form_Unload ", kDialogModule};
inline constexpr errors::ProcedureSite kCmbFormattingStatementsClickSite{
    u"CmbFormattingStatements_Click ", kDialogModule};
inline constexpr errors::ProcedureSite kCmbTagsClickSite{u"cmbTags_Click ", kDialogModule};
inline constexpr errors::ProcedureSite kCmbReservedWordsClickSite{u"cmbReservedWords_Click ",
                                                                  kDialogModule};
inline constexpr errors::ProcedureSite kCmdAddFieldClickSite{u"CmdAddField_Click ", kDialogModule};
inline constexpr errors::ProcedureSite kCmdAddFormattingStatementClickSite{
    u"CmdAddFormattingStatement_Click ", kDialogModule};
inline constexpr errors::ProcedureSite kCmdAddReservedWordClickSite{u"cmdAddReservedWord_Click ",
                                                                    kDialogModule};
inline constexpr errors::ProcedureSite kCmdAddTagClickSite{u"cmdAddTag_Click ", kDialogModule};
inline constexpr errors::ProcedureSite kCmdVerifyExpressionClickSite{u"CmdVerifyExpression_Click ",
                                                                     kDialogModule};
inline constexpr errors::ProcedureSite kCmdOKClickSite{u"CmdOK_Click ", kDialogModule};
inline constexpr errors::ProcedureSite kCmdCancelClickSite{u"CmdCancel_Click ", kDialogModule};
inline constexpr errors::ProcedureSite kCmdHelpClickSite{u"CmdHelp_Click ", kDialogModule};
inline constexpr errors::ProcedureSite kTxtExpressionChangeSite{u"TxtExpression_Change ",
                                                                kDialogModule};

}  // namespace pelt::builder
