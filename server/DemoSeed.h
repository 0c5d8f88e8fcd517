#ifndef DEMOSEED_H
#define DEMOSEED_H

class Database;

// A believable demo in Northbrook: route groups with routes along its streets
// and river, the graphic objects that mark them (icons, corridor lines, yard
// polygons, checkpoint circles) in a layer tree, and patrol units in nested
// groups. Nodes with type bits 0 and editing-disabled nodes are part of it,
// so the panel's filter and read-only rules have something to do.
namespace DemoSeed {

// Fills the database in one transaction when it is empty (else skipped is
// set and nothing is stored); false, with nothing stored, on failure.
bool fill(const Database &db, bool *skipped = nullptr);

} // namespace DemoSeed

#endif // DEMOSEED_H
