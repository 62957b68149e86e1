// The 3D view host (connection point, drawing calls, preview meshes) and the model
// objects (images, materials).
#include "DevHostFixture.h"

#include <gtest/gtest.h>

#include <cmath>

#include "model/Vector3.h"

using namespace devhost_test;

namespace {

class DrawCallback : public devhost::ComObject<HostDrawCallback> {
public:
    std::function<void(LONG_PTR, LONG_PTR)> draw;
    int calls = 0;
    HRESULT STDMETHODCALLTYPE OnDrawView(LONG_PTR view, LONG_PTR context) override {
        ++calls;
        if (draw) draw(view, context);
        return S_OK;
    }
};

// The Choose Matrix dialog's tests register, draw and unregister; here the edges.
TEST(ViewHost, CallbacksMayGoWhileViewsDrawAndOnlyCallbacksConnect) {
    HostRef<devhost::Document> document = devhost::Document::create();
    HostRef<HostViewHost> viewHost;
    ASSERT_EQ(S_OK, document->GetViewHost(viewHost.GetAddressOf()));
    HostRef<IConnectionPointContainer> container;
    HostRef<IConnectionPoint> point, other;
    ASSERT_EQ(S_OK, viewHost.As(&container));
    ASSERT_EQ(S_OK, container->FindConnectionPoint(IID_HostDrawCallback, point.GetAddressOf()));
    EXPECT_EQ(CONNECT_E_NOCONNECTION, container->FindConnectionPoint(IID_HostEventSink, other.GetAddressOf()));

    HostRef<DrawCallback> first = devhost::makeObject<DrawCallback>(), second = devhost::makeObject<DrawCallback>();
    DWORD firstCookie = 0, secondCookie = 0;
    ASSERT_EQ(S_OK, point->Advise(static_cast<HostDrawCallback*>(first.Get()), &firstCookie));
    ASSERT_EQ(S_OK, point->Advise(static_cast<HostDrawCallback*>(second.Get()), &secondCookie));
    first->draw = [&](LONG_PTR, LONG_PTR) { point->Unadvise(secondCookie); };
    document->viewHost().drawViews(11, 22);
    EXPECT_EQ(0, second->calls);
    EXPECT_EQ(1u, document->viewHost().callbackCount());
    EXPECT_EQ(S_OK, point->Unadvise(firstCookie));
    EXPECT_EQ(CONNECT_E_NOCONNECTION, point->Unadvise(firstCookie));

    HostRef<RecordingSink> notCallback = devhost::makeObject<RecordingSink>();
    DWORD cookie = 0;
    EXPECT_EQ(CONNECT_E_CANNOTCONNECT, point->Advise(static_cast<HostEventSink*>(notCallback.Get()), &cookie));
    EXPECT_EQ(E_POINTER, point->Advise(nullptr, &cookie));
}

TEST(ViewHost, DrawingCallsRefuseBadInput) {
    HostRef<devhost::Document> document = devhost::Document::create();
    HostRef<HostViewHost> viewHost;
    document->GetViewHost(viewHost.GetAddressOf());
    HostRef<HostPreviewMesh> preview;
    ASSERT_EQ(S_OK, document->CreatePreviewMesh(preview.GetAddressOf()));
    preview->MakeBox(2, 2, 2, 1);

    // What the calls draw is read back by the Choose Matrix dialog's tests; here what the
    // host does with bad input from the plug-in: no crash, an error result.
    float frame[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 3, 4, 5, 1};
    EXPECT_EQ(E_INVALIDARG, viewHost->DrawMesh(7, preview.Get(), nullptr, 0, 0, 0, 0));
    float broken[16] = {NAN};
    EXPECT_EQ(E_INVALIDARG, viewHost->DrawAxes(7, broken, 1, 71, 0));
    EXPECT_EQ(E_POINTER, viewHost->GetViewScale(7, 0, nullptr));
    // No mesh is fine: the tripod is still drawn. The view is handed each drawn mesh.
    int handed = 0;
    document->viewHost().onDrawMesh = [&](const devhost::DrawMeshCall& call) { handed += call.mesh != nullptr; };
    EXPECT_EQ(S_OK, viewHost->DrawMesh(7, nullptr, frame, 0, 0, 1, 0));
    EXPECT_EQ(S_OK, viewHost->DrawMesh(7, preview.Get(), frame, 0, 0, 1, 0));
    EXPECT_EQ(handed, 1);
}

// Every triangle of a closed guide shape lies on its surface and has area.
void expectOnSurface(const devhost::PreviewMesh& mesh, const std::function<float(float, float, float)>& distance) {
    const auto& t = mesh.triangles();
    for (size_t i = 0; i + 8 < t.size(); i += 9) {
        for (size_t k = 0; k < 9; k += 3) EXPECT_NEAR(0.0f, distance(t[i + k], t[i + k + 1], t[i + k + 2]), 1e-4f);
        const Vector3 a(t[i], t[i + 1], t[i + 2]), b(t[i + 3], t[i + 4], t[i + 5]), c(t[i + 6], t[i + 7], t[i + 8]);
        EXPECT_GT(b.minus(a).cross(c.minus(a)).lengthSquared(), 0.0f) << "degenerate triangle " << i / 9;
    }
}

TEST(PreviewMesh, GuideShapesAreRealTriangleLists) {
    HostRef<devhost::Document> document = devhost::Document::create();
    HostRef<HostPreviewMesh> preview;
    document->CreatePreviewMesh(preview.GetAddressOf());
    auto* mesh = static_cast<devhost::PreviewMesh*>(preview.Get());

    ASSERT_EQ(S_OK, preview->MakeBox(2, 4, 6, 2));
    EXPECT_EQ(6u * 2 * 2 * 2, mesh->triangleCount());
    expectOnSurface(*mesh, [](float x, float y, float z) {
        return std::min({std::fabs(std::fabs(x) - 1), std::fabs(std::fabs(y) - 2), std::fabs(std::fabs(z) - 3)});
    });
    ASSERT_EQ(S_OK, preview->MakeBox(2, 2, 0, 1));  // the planar guide: a plane at z = 0
    EXPECT_EQ(4u, mesh->triangleCount());
    expectOnSurface(*mesh, [](float, float, float z) { return z; });

    ASSERT_EQ(S_OK, preview->MakeCylinder(1, 1, 2, 16, 1, 1));
    EXPECT_EQ(16u * 2 + 16u * 2, mesh->triangleCount());
    expectOnSurface(*mesh, [](float x, float y, float z) {  // the side or a cap
        return std::min(std::fabs(std::hypot(x, y) - 1), std::fabs(std::fabs(z) - 1));
    });

    ASSERT_EQ(S_OK, preview->MakeSphere(3, 16, 8));
    EXPECT_EQ(16u * (2 * 8 - 2), mesh->triangleCount());
    expectOnSurface(*mesh, [](float x, float y, float z) { return std::sqrt(x * x + y * y + z * z) - 3; });

    EXPECT_EQ(E_INVALIDARG, preview->MakeSphere(NAN, 16, 8));
    EXPECT_EQ(E_INVALIDARG, preview->MakeCylinder(1, 1, 1, 2, 1, 1));
    EXPECT_EQ(E_INVALIDARG, preview->MakeBox(1, 1, 1, 100000));
    EXPECT_EQ(16u * 14, mesh->triangleCount());  // a refused call keeps the shape
}

TEST(Model, ImagesKeepTheirPixelsAndMaterialsTheirImage) {
    HostRef<devhost::Document> document = devhost::Document::create();
    HostRef<HostModel> model;
    ASSERT_EQ(S_OK, document->GetModel(model.GetAddressOf()));
    HostRef<HostImage> image;
    ASSERT_EQ(S_OK, model->CreateImage(L"OutlineImage", 0, 0, image.GetAddressOf()));
    // Rows with padding: the pitch is larger than the row.
    std::vector<std::uint32_t> rows = {1, 2, 99, 3, 4, 99};
    EXPECT_EQ(S_OK, image->SetPixels(2, 2, 0, 12, reinterpret_cast<BYTE*>(rows.data()), 0, 0));

    // The outline command's tests check the rest of what the host keeps.
    ASSERT_EQ(1u, document->images().size());
    EXPECT_EQ((std::vector<std::uint32_t>{1, 2, 3, 4}), document->images()[0]->image().pixels);
    EXPECT_EQ(E_INVALIDARG, image->SetPixels(2, 2, 0, 4, reinterpret_cast<BYTE*>(rows.data()), 0, 0));
    EXPECT_EQ(E_POINTER, image->SetPixels(2, 2, 0, 8, nullptr, 0, 0));
    HostRef<HostMaterial> plain;
    model->CreateMaterial(L"Plain", plain.GetAddressOf());
    EXPECT_EQ(S_OK, plain->SetTexture(0, nullptr, 0));  // a material without image
    EXPECT_EQ(nullptr, document->materials()[0]->image());
}

}  // namespace
