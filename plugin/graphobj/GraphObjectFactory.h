#ifndef GRAPHOBJECTFACTORY_H
#define GRAPHOBJECTFACTORY_H

class GraphObData;
class GraphObject;

// The object for a record's type code, or null when the code has no class.
// Kept apart from GraphObject so that the base never includes its kinds.
GraphObject *CreateGraphObject(const GraphObData &record);

#endif // GRAPHOBJECTFACTORY_H
