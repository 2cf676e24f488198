// The four tables Jet puts into every new database (MSysObjects, MSysACEs, MSysQueries,
// MSysRelationships) as Jet lays them out, and the catalog and permission rows they start with.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "accessorydb/jet/tdef.h"
#include "accessorydb/jet/value.h"

namespace jet {

// MSysObjects ids of the engine's containers and of the database object.
inline constexpr int32_t kContainersParentId = 0x0F000000;
inline constexpr int32_t kTablesContainerId = 0x0F000001;
inline constexpr int32_t kDatabasesContainerId = 0x0F000002;
inline constexpr int32_t kRelationshipsContainerId = 0x0F000003;
inline constexpr int32_t kDatabaseObjectId = 0x10000000;  // "MSysDb"

// Security ids as every Jet 4 file holds them once unmasked (roles inferred from where they
// occur): the owner of the engine's own objects, the database owner (owner of MSysDb and of user
// tables), and the two ids holding inheritable permissions on the Tables container.
using Sid = std::vector<uint8_t>;
inline const Sid kSidEngineObjects = {0x02, 0x03};
inline const Sid kSidDatabaseOwner = {0x03, 0x01};
inline const Sid kSidCreatorEntry = {0x02, 0x04};
inline const Sid kSidGroupEntry = {0x02, 0x01};

// Permission mask of the owner's and the group's entries on user tables in the Access-made
// files (all rights but 0x100; also what DAO grants).
inline constexpr int32_t kAcmNewTable = 0xFFEFF;

struct ObjectRow {
  int32_t id = 0;
  int32_t parentId = 0;
  Text name;
  int16_t type = catalog::kTypeTable;
  double created = 0;
  Sid owner;  // masked, as stored
  uint32_t flags = 0;
};

struct AceRow {
  int32_t objectId = 0;
  Sid sid;  // masked, as stored
  int32_t acm = 0;
  bool inheritable = false;
};

// Definitions with columns and indexes; pages, row counts and usage maps are left to the caller.
TableDef msysObjectsDef();
TableDef msysAcesDef();
TableDef msysQueriesDef();
TableDef msysRelationshipsDef();

// Values in the column order of msysObjectsDef() / msysAcesDef().
std::vector<Value> objectRowValues(const ObjectRow& row);
std::vector<Value> aceRowValues(const AceRow& row);

// The catalog of an empty database: containers, MSysDb and the four system tables (whose TDEF
// pages are given in the order above), and their permissions, with SIDs masked by sidKey.
std::vector<ObjectRow> initialObjects(const std::array<uint32_t, 4>& systemTdefPages,
                                      double created, uint32_t sidKey);
std::vector<AceRow> initialAces(const std::array<uint32_t, 4>& systemTdefPages, uint32_t sidKey);

}  // namespace jet
