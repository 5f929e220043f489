// Aggregation: the kinds of aggregate and where their description comes from.
//
// Aggregate calls are recognised once, when the statement is parsed: every
// select item is a tree (sql/select_item.h) whose aggregate nodes carry the
// kind (AggKind, sql/names.h), the argument, DISTINCT, the group_concat
// separator, the CASE forms and the round wrappers around them. Routing reads
// SelectItem::is_aggregate; the aggregating executors classify those nodes
// (and look their columns up in the header) without scanning item text.
#pragma once

#include "sql/names.h"         // AggKind
#include "sql/select_item.h"   // SelectItem, ExprNode, AggregateCall
