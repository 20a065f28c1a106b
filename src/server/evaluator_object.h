#pragma once

#include <string>
#include <string_view>
#include <thread>

#include "module_state.h"
#include "pelt/evaluator/pelt_expression_evaluator.h"
#include "pelt/runtime/object.h"
#include "pelt/server/evaluator_interface.h"

namespace pelt::server {

// PeltExpressionEvaluator as a component object: the evaluator behind its
// dual default interface. Early-bound slots and late-bound calls meet in the
// same three operations below, which turn the runtime's tables, rows,
// collections and texts into the evaluator's own and back.
//
// Apartment threading: the object lives in the thread that created it and
// refuses calls from any other with kWrongThread (Retain and Release
// excepted). Nothing is thrown out of any member.
class EvaluatorObject final : public _PeltExpressionEvaluator {
 public:
  EvaluatorObject();

  // Object
  Result Query(const runtime::InterfaceId& id, void** out) override;
  std::uint32_t Retain() override;
  std::uint32_t Release() override;

  // Dispatch
  Result MemberIds(const Text* names, std::uint32_t count, runtime::DispatchId* ids) override;
  Result Call(runtime::DispatchId id, runtime::CallKind kind, runtime::Variant* arguments,
              std::uint32_t count, runtime::Variant* result,
              runtime::ExceptionRecord* exception) override;

  // _PeltExpressionEvaluator
  Result ShowMessages(Boolean* result) override;
  Result ShowMessages(Boolean DisplayMessages) override;
  Result Message(Text* result) override;
  Result EditExpression(runtime::HostTableObject** pTable, Text* pExpression,
                        runtime::CollectionObject** ReservedWords,
                        runtime::CollectionObject** ReservedWordDescriptions,
                        Text* result) override;
  Result MakeLabel(runtime::HostTableObject** pTable, runtime::HostRowObject** pRow,
                   Text* pExpression, runtime::CollectionObject** pReservedWordValues,
                   Text* result) override;
  Result VerifyExpression(runtime::HostTableObject** pTable, Text* pExpression,
                          Boolean* result) override;

 private:
  ~EvaluatorObject();

  Result CheckThread() const;

  // The operations on the evaluator's own types. exception may be null.
  Result Verify(runtime::HostTableObject* table, const std::u16string& expression,
                Boolean& verdict);
  Result Label(runtime::HostTableObject* table, runtime::HostRowObject* row,
               const std::u16string& expression, runtime::CollectionObject* values,
               std::u16string& label, runtime::ExceptionRecord* exception);
  Result Edit(runtime::HostTableObject* table, const std::u16string& expression,
              runtime::CollectionObject* words, runtime::CollectionObject* descriptions,
              std::u16string& accepted, runtime::ExceptionRecord* exception);

  // One late-bound member each.
  Result CallShowMessages(runtime::CallKind kind, runtime::Variant* arguments, std::uint32_t count,
                          runtime::Variant* result, runtime::ExceptionRecord* exception);
  Result CallMessage(runtime::CallKind kind, runtime::Variant* arguments, std::uint32_t count,
                     runtime::Variant* result, runtime::ExceptionRecord* exception);
  Result CallEditExpression(runtime::CallKind kind, runtime::Variant* arguments, std::uint32_t count,
                            runtime::Variant* result, runtime::ExceptionRecord* exception);
  Result CallMakeLabel(runtime::CallKind kind, runtime::Variant* arguments, std::uint32_t count,
                       runtime::Variant* result, runtime::ExceptionRecord* exception);
  Result CallVerifyExpression(runtime::CallKind kind, runtime::Variant* arguments,
                              std::uint32_t count, runtime::Variant* result,
                              runtime::ExceptionRecord* exception);

  LiveObjectToken live_;  // first in, last out: counts the object until it is gone
  runtime::RefCount refs_;
  std::thread::id home_thread_;
  evaluator::PeltExpressionEvaluator evaluator_;
};

}  // namespace pelt::server
