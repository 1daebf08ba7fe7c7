// D3DX math in single precision, with the SDK's published formulas.
#include "platform/portable/d3dx/math.h"

#include <cmath>

D3DXMATRIX* WINAPI D3DXMatrixIdentity(D3DXMATRIX* out)
{
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 4; ++c) out->m[r][c] = r == c ? 1.0f : 0.0f;
    return out;
}

D3DXMATRIX* WINAPI D3DXMatrixMultiply(D3DXMATRIX* out, const D3DXMATRIX* a, const D3DXMATRIX* b)
{
    D3DXMATRIX product;
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 4; ++c)
            product.m[r][c] =
                a->m[r][0] * b->m[0][c] + a->m[r][1] * b->m[1][c] + a->m[r][2] * b->m[2][c] + a->m[r][3] * b->m[3][c];
    *out = product;
    return out;
}

D3DXMATRIX* WINAPI D3DXMatrixTranslation(D3DXMATRIX* out, float x, float y, float z)
{
    D3DXMatrixIdentity(out);
    out->_41 = x;
    out->_42 = y;
    out->_43 = z;
    return out;
}

// Roll about z, then pitch about x, then yaw about y: Rz * Rx * Ry.
D3DXMATRIX* WINAPI D3DXMatrixRotationYawPitchRoll(D3DXMATRIX* out, float yaw, float pitch, float roll)
{
    const float sy = std::sin(yaw), cy = std::cos(yaw);
    const float sp = std::sin(pitch), cp = std::cos(pitch);
    const float sr = std::sin(roll), cr = std::cos(roll);

    out->_11 = sr * sp * sy + cr * cy;
    out->_12 = sr * cp;
    out->_13 = sr * sp * cy - cr * sy;
    out->_14 = 0.0f;
    out->_21 = cr * sp * sy - sr * cy;
    out->_22 = cr * cp;
    out->_23 = cr * sp * cy + sr * sy;
    out->_24 = 0.0f;
    out->_31 = cp * sy;
    out->_32 = -sp;
    out->_33 = cp * cy;
    out->_34 = 0.0f;
    out->_41 = 0.0f;
    out->_42 = 0.0f;
    out->_43 = 0.0f;
    out->_44 = 1.0f;
    return out;
}

D3DXVECTOR3* WINAPI D3DXVec3TransformCoord(D3DXVECTOR3* out, const D3DXVECTOR3* v, const D3DXMATRIX* m)
{
    const float w = m->_14 * v->x + m->_24 * v->y + m->_34 * v->z + m->_44;
    const D3DXVECTOR3 result((m->_11 * v->x + m->_21 * v->y + m->_31 * v->z + m->_41) / w,
                             (m->_12 * v->x + m->_22 * v->y + m->_32 * v->z + m->_42) / w,
                             (m->_13 * v->x + m->_23 * v->y + m->_33 * v->z + m->_43) / w);
    *out = result;
    return out;
}

D3DXMATRIX* WINAPI D3DXMatrixLookAtLH(D3DXMATRIX* out, const D3DXVECTOR3* eye, const D3DXVECTOR3* at,
                                      const D3DXVECTOR3* up)
{
    D3DXVECTOR3 zaxis = *at - *eye;
    D3DXVec3Normalize(&zaxis, &zaxis);
    D3DXVECTOR3 xaxis(0.0f, 0.0f, 0.0f);
    D3DXVec3Cross(&xaxis, up, &zaxis);
    D3DXVec3Normalize(&xaxis, &xaxis);
    D3DXVECTOR3 yaxis;
    D3DXVec3Cross(&yaxis, &zaxis, &xaxis);

    out->_11 = xaxis.x;
    out->_12 = yaxis.x;
    out->_13 = zaxis.x;
    out->_14 = 0.0f;
    out->_21 = xaxis.y;
    out->_22 = yaxis.y;
    out->_23 = zaxis.y;
    out->_24 = 0.0f;
    out->_31 = xaxis.z;
    out->_32 = yaxis.z;
    out->_33 = zaxis.z;
    out->_34 = 0.0f;
    out->_41 = -D3DXVec3Dot(&xaxis, eye);
    out->_42 = -D3DXVec3Dot(&yaxis, eye);
    out->_43 = -D3DXVec3Dot(&zaxis, eye);
    out->_44 = 1.0f;
    return out;
}

D3DXMATRIX* WINAPI D3DXMatrixPerspectiveFovLH(D3DXMATRIX* out, float fovy, float aspect, float zn, float zf)
{
    const float yScale = 1.0f / std::tan(fovy / 2.0f);
    const float xScale = yScale / aspect;
    D3DXMatrixIdentity(out);
    out->_11 = xScale;
    out->_22 = yScale;
    out->_33 = zf / (zf - zn);
    out->_34 = 1.0f;
    out->_43 = zn * zf / (zn - zf); // equal to -zn zf / (zf - zn); +inf, as D3DX gives, when zn == zf
    out->_44 = 0.0f;
    return out;
}
