// hostsim's page: the requests to the host, each carrying the session token.
//
// The token comes in the address hostsim printed. It leaves the address bar at once and stays in
// this tab's session storage, which a reload keeps and no other port's page can read; it travels
// in a header, never as a cookie, which every server on 127.0.0.1 would receive.
const tokenHeader = "X-Vectrin-Token";
export const sessionToken = takeSessionToken();

function takeSessionToken() {
  const address = new URL(window.location.href);
  const given = address.searchParams.get("token");
  if (given) {
    sessionStorage.setItem("token", given);
    address.searchParams.delete("token");
    history.replaceState(history.state, "", address.pathname + address.search + address.hash);
  }
  return sessionStorage.getItem("token") || "";
}

export function hostFetch(path, init = {}) {
  const headers = new Headers(init.headers);
  headers.set(tokenHeader, sessionToken);
  return fetch(path, {...init, headers: headers});
}

export function postJson(path, value) {
  return hostFetch(path, {
    method: "POST",
    headers: {"Content-Type": "application/json"},
    body: JSON.stringify(value),
  });
}
