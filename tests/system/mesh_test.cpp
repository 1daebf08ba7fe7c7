// Loading a model with its materials and textures, drawing and releasing it.
#include "assets/mesh.h"
#include "tests/system/system_fixture.h"

namespace {
class MeshTest : public SystemTest {
protected:
    IDirect3DDevice9* device = nullptr;
    IDirect3D9* direct3d = nullptr;

    void SetUp() override
    {
        SystemTest::SetUp();
        Application::Instance(); // the log
        fake::State().modes = {{800, 600, 60, D3DFMT_X8R8G8B8}};
        direct3d = Direct3DCreate9(D3D_SDK_VERSION);
        D3DPRESENT_PARAMETERS parameters{};
        ASSERT_EQ(direct3d->CreateDevice(0, D3DDEVTYPE_HAL, nullptr, 0, &parameters, &device), D3D_OK);
    }
    void TearDown() override
    {
        device->Release();
        direct3d->Release();
        SystemTest::TearDown();
    }
    static void Model(const std::wstring& path, std::vector<D3DXMATERIAL> materials,
                      std::vector<std::string> textureNames)
    {
        fake::State().models[path] = fake::Model{std::move(materials), std::move(textureNames)};
    }
};
} // namespace

TEST(ModelDirectory, SplitsAtTheLastBackslashOnly)
{
    EXPECT_EQ(ModelDirectory(L"Models\\Crate\\Crate.x"), L"Models\\Crate\\");
    EXPECT_EQ(ModelDirectory(L"Crate.x"), L"");
    EXPECT_EQ(ModelDirectory(L"Models/Crate/Crate.x"), L"");
    EXPECT_EQ(ModelDirectory(L"Models\\Crate/Crate.x"), L"Models\\");
    EXPECT_EQ(ModelDirectory(L"\\Crate.x"), L"\\");
    EXPECT_EQ(ModelDirectory(L""), L"");
}

TEST_F(MeshTest, TexturePathIsTheModelDirectoryPlusTheName)
{
    struct Row {
        std::wstring model;
        std::string name;
        std::wstring expected;
    } rows[] = {
        {L"Models\\Crate\\Crate.x", "wood.bmp", L"Models\\Crate\\wood.bmp"},
        {L"Crate.x", "wood.bmp", L"wood.bmp"},
        {L"Models/Crate/Crate.x", "wood.bmp", L"wood.bmp"},
        {L"Models\\Crate\\Crate.x", "sub\\wood.dds", L"Models\\Crate\\sub\\wood.dds"},
    };
    for (const Row& row : rows) {
        fake::State().textureLoads.clear();
        Model(row.model, {MakeMaterial(1, 1, 1, 1)}, {row.name});
        Mesh mesh(device);
        ASSERT_TRUE(mesh.LoadFromFile(row.model));
        EXPECT_EQ(fake::State().textureLoads, std::vector<std::wstring>{row.expected});
    }
}

TEST_F(MeshTest, LoadsManagedAndTakesAmbientFromDiffuse)
{
    D3DXMATERIAL red = MakeMaterial(1, 0, 0, 1);
    Model(L"m.x", {red, MakeMaterial(0, 0, 1, 0.5f)}, {"", "t.png"});
    fake::State().textures.insert(L"t.png");
    Mesh mesh(device);
    ASSERT_TRUE(mesh.LoadFromFile(L"m.x"));
    EXPECT_EQ(fake::State().meshLoadOptions, std::vector<DWORD>{0x220});
    ASSERT_EQ(mesh.materials.size(), 2u);
    const D3DMATERIAL9& first = mesh.materials[0].material;
    EXPECT_EQ(first.Ambient.r, 1.0f);
    EXPECT_EQ(first.Ambient.g, 0.0f);
    EXPECT_EQ(first.Ambient.b, 0.0f);
    EXPECT_EQ(first.Ambient.a, 1.0f);
    EXPECT_EQ(first.Specular.r, red.MatD3D.Specular.r);
    EXPECT_EQ(first.Emissive.g, red.MatD3D.Emissive.g);
    EXPECT_EQ(first.Power, red.MatD3D.Power);
    EXPECT_EQ(mesh.materials[0].texture, nullptr);
    EXPECT_NE(mesh.materials[1].texture, nullptr);
    EXPECT_EQ(mesh.materials[1].material.Ambient.a, 0.5f);
    // A material without a texture name asks for no texture; the buffer is given back.
    EXPECT_EQ(fake::State().textureLoads, std::vector<std::wstring>{L"t.png"});
    EXPECT_EQ(fake::CallsStartingWith("Release(Buffer)").size(), 1u);
    EXPECT_EQ(
        fake::CallsStartingWith("D3DXCreateTextureFromFileExW"),
        std::vector<std::string>{
            "D3DXCreateTextureFromFileExW(t.png|ffffffff,ffffffff,ffffffff,0,0,1,ffffffff,ffffffff,0,null,null)"});
    EXPECT_EQ(LogAfterFirstLine(), std::vector<std::string>{});
}

TEST_F(MeshTest, MissingTexturesAreLoggedWithTheirFullPathAndTheLoadStillSucceeds)
{
    Model(L"Models\\Crate\\Crate.x", {MakeMaterial(1, 1, 1, 1), MakeMaterial(1, 1, 1, 1)}, {"wood.bmp", "wood.bmp"});
    Mesh mesh(device);
    ASSERT_TRUE(mesh.LoadFromFile(L"Models\\Crate\\Crate.x"));
    EXPECT_EQ(mesh.materials.size(), 2u);
    EXPECT_EQ(mesh.materials[0].texture, nullptr);
    EXPECT_EQ(LogAfterFirstLine(),
              std::vector<std::string>(2, "FAILED: Couldn't load texture \"Models\\Crate\\wood.bmp\"."));
}

TEST_F(MeshTest, AMissingModelFailsWithItsLineAndHoldsNothing)
{
    Mesh mesh(device);
    EXPECT_FALSE(mesh.LoadFromFile(L"Models\\Level\\Level.x"));
    EXPECT_EQ(mesh.d3dxMesh, nullptr);
    EXPECT_TRUE(mesh.materials.empty());
    EXPECT_EQ(LogAfterFirstLine(), std::vector<std::string>{"FAILED: Couldn't load mesh \"Models\\Level\\Level.x\"."});
}

TEST_F(MeshTest, AModelWithoutMaterialsLoadsAndDrawsNothing)
{
    Model(L"bare.x", {}, {});
    Mesh mesh(device);
    ASSERT_TRUE(mesh.LoadFromFile(L"bare.x"));
    EXPECT_TRUE(mesh.materials.empty());
    const size_t mark = fake::State().calls.size();
    mesh.DrawSubsets();
    EXPECT_TRUE(fake::CallsSince(mark).empty());
}

TEST_F(MeshTest, TextureNamesThatDoNotFitAreTreatedAsMissingTextures)
{
    const std::string longName(600, 'a');
    Model(L"long.x", {MakeMaterial(1, 1, 1, 1)}, {longName});
    Mesh mesh(device);
    ASSERT_TRUE(mesh.LoadFromFile(L"long.x"));
    EXPECT_EQ(mesh.materials[0].texture, nullptr);
    EXPECT_TRUE(fake::State().textureLoads.empty());
    EXPECT_EQ(LogAfterFirstLine().size(), 1u);
    EXPECT_EQ(LogAfterFirstLine()[0].rfind("FAILED: Couldn't load texture \"aaaa", 0), 0u);
}

TEST_F(MeshTest, DrawSetsMaterialAndTexturePerSubsetAndDestructionReleasesEachTextureOnce)
{
    Model(L"two.x", {MakeMaterial(1, 0, 0, 1), MakeMaterial(0, 1, 0, 1)}, {"a.png", "a.png"});
    fake::State().textures.insert(L"a.png");
    {
        Mesh mesh(device);
        ASSERT_TRUE(mesh.LoadFromFile(L"two.x"));
        const size_t mark = fake::State().calls.size();
        mesh.DrawSubsets();
        EXPECT_EQ(fake::CallsSince(mark),
                  (std::vector<std::string>{"SetMaterial", "SetTexture(0,Texture:a.png)", "DrawSubset(Mesh:two.x,0)",
                                            "SetMaterial", "SetTexture(0,Texture:a.png)", "DrawSubset(Mesh:two.x,1)"}));
        EXPECT_EQ(fake::State().materialsSet[1].Diffuse.g, 1.0f);
    }
    EXPECT_EQ(fake::State().textureLoads.size(), 2u);
    EXPECT_EQ(fake::CallsStartingWith("Release(Texture:a.png)").size(), 2u);
    EXPECT_EQ(fake::CallsStartingWith("Release(Mesh:two.x)").size(), 1u);
}
