#pragma once

// A fixed-capacity list of textured, coloured triangles with its own model transform,
// drawn in one call straight from its interleaved storage (GL_T2F_C4F_N3F_V3F).

struct Sprite;

struct MeshVertex {
    float s;
    float t;
    float r;
    float g;
    float b;
    float a;
    float nx;
    float ny;
    float nz;
    float x;
    float y;
    float z;
};

class Mesh {
public:
    explicit Mesh(int triangleCapacity);
    virtual ~Mesh();
    Mesh(const Mesh&) = delete;
    Mesh& operator=(const Mesh&) = delete;

    // Kept within 0 and the capacity.
    void SetTriangleCount(int count);
    int TriangleCount() const { return triangleCount; }
    int Capacity() const { return capacity; }

    Sprite* textureSource; // not owned; null keeps the bound texture
    MeshVertex* vertices;  // owned; triangle k is vertices 3k to 3k + 2
    float originX;
    float originY;
    float originZ;
    float scaleX;
    float scaleY;
    float scaleZ;
    float positionX;
    float positionY;
    float positionZ;
    float rotationX; // radians
    float rotationY;
    float rotationZ;

private:
    int triangleCount;
    int capacity;
};
